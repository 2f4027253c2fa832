#pragma once
// FakeShell: a test double of the namespace that serves a tree of fake
// folders, so the program's logic can be tested apart from the disk.
//
//   ScopedFakeShell shell;                       // installed until the end of scope
//   FakeNode& docs = shell->Root().AddFolder("Docs");
//   docs.AddFile("a.txt", 10).SetTimes(modified);
//   docs.AddFile("inner.bin", 3).SetContents("abc");   // a descriptor item
//   shell->SetSpecialFolder(CSIDL_PERSONAL, "Docs");
//   IdList docsId = shell->AbsoluteId("Docs");
//
// Each node has a name (its identity among its siblings, case-sensitive),
// SFGAO_ attributes (AddFolder and AddFile give sensible defaults), size,
// mode, three times, optional display names, parsing name, info tip, icon
// index and contents. Item ids are payloads of ItemKind::Fake holding the
// name, so an id stays valid while its node keeps its name, and a folder
// object made by BindToObject finds its node again by the names of its path
// on every call: a node removed or renamed by the test makes the operations
// of folder objects below it fail, as a vanished directory would.
//
// Parsing names: a node's own (SetParsingName), else its parent's parsing
// name and "/" and its name, where the children of the root have "::Name".
// The Desktop's ParseDisplayName accepts any node's parsing name, and paths
// of names from the root written "::A/B" or "/A/B"; other folders parse
// paths of names relative to themselves. None of it touches the disk.
//
// Failure switches (FailEnumeration, FailEnumerationAfter, FailBind,
// FailRename, and a contents stream that fails after some bytes) let tests
// drive error paths.
//
// Context menus: a folder node given SetItemMenu(verbs) offers a context
// menu over its items, one command per verb in that order ("-" is a
// separator; "rename" appears only when CMF_CANRENAME is asked; the first
// verb is the default), texts "&<verb>" and help texts "Runs <verb>".
// SetBackgroundMenu(verbs) gives the folder's background menu the same way.
// Every query and every command carried out is logged in the namespace's
// MenuLog(); SetFailInvoke makes the commands fail.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/namespace/ShellNamespace.h"

class FakeNode {
public:
    /// Defaults of AddFolder and AddFile.
    static constexpr std::uint32_t kFolderAttributes =
        SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_DROPTARGET | SFGAO_CANCOPY | SFGAO_CANMOVE |
        SFGAO_CANLINK | SFGAO_CANRENAME | SFGAO_CANDELETE | SFGAO_HASPROPSHEET;
    static constexpr std::uint32_t kFileAttributes = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK |
                                                     SFGAO_CANRENAME | SFGAO_CANDELETE |
                                                     SFGAO_HASPROPSHEET;

    FakeNode(const QString& name, std::uint32_t attributes, FakeNode* parent);

    /// Adds a child (replacing one of the same name) and returns it.
    FakeNode& AddFolder(const QString& name, std::uint32_t attributes = kFolderAttributes);
    FakeNode& AddFile(const QString& name, std::uint64_t size = 0, FileTime modified = 0,
                      std::uint32_t attributes = kFileAttributes);
    /// Removes the child of that name; false when there is none.
    bool Remove(const QString& name);
    /// The child of that exact name, or nullptr.
    FakeNode* Child(const QString& name) const;
    /// The node at a "/"-separated path of names below this one ("" = this).
    FakeNode* Find(const QString& path);
    /// Renames this node (and its key in the parent); false when a sibling
    /// has the name already or the name is empty.
    bool Rename(const QString& newName);

    FakeNode& SetAttributes(std::uint32_t attributes);
    FakeNode& AddAttributes(std::uint32_t attributes);
    FakeNode& SetSize(std::uint64_t size);
    FakeNode& SetMode(std::uint32_t mode);
    FakeNode& SetTimes(FileTime modified, FileTime created = 0, FileTime accessed = 0);
    /// SHGDN_INFOLDER (and SHGDN_NORMAL unless SetNormalName).
    FakeNode& SetDisplayName(const QString& name);
    FakeNode& SetNormalName(const QString& name);
    FakeNode& SetParsingName(const QString& name);
    FakeNode& SetInfoTip(const QString& tip);
    FakeNode& SetIconIndex(int index);
    /// Makes the node a descriptor item: its data object offers a file group
    /// descriptor and this FileContents stream. With failAfter >= 0 the
    /// stream gives the first failAfter bytes, then every read fails (-1).
    FakeNode& SetContents(const QByteArray& contents, qint64 failAfter = -1);
    FakeNode& FailEnumeration(bool fail = true);
    /// Next() answers Error after `items` items.
    FakeNode& FailEnumerationAfter(int items);
    FakeNode& FailBind(bool fail = true);
    FakeNode& FailRename(bool fail = true);
    /// The verbs of the context menu over this folder's items; empty: none.
    FakeNode& SetItemMenu(const QStringList& verbs);
    /// The verbs of this folder's background menu; empty: none.
    FakeNode& SetBackgroundMenu(const QStringList& verbs);
    const QStringList& ItemMenu() const { return m_itemMenu; }
    const QStringList& BackgroundMenu() const { return m_backgroundMenu; }

    const QString& Name() const { return m_name; }
    FakeNode* Parent() const { return m_parent; }
    const std::vector<std::unique_ptr<FakeNode>>& Children() const { return m_children; }
    bool IsFolder() const { return m_attributes & SFGAO_FOLDER; }
    std::uint32_t Attributes() const { return m_attributes; }
    std::uint64_t Size() const { return m_size; }
    std::uint32_t Mode() const { return m_mode; }
    const std::array<FileTime, 3>& Times() const { return m_times; }
    const std::optional<QString>& DisplayName() const { return m_displayName; }
    const std::optional<QString>& NormalName() const { return m_normalName; }
    const std::optional<QString>& ExplicitParsingName() const { return m_parsingName; }
    /// The node's parsing name (own or derived as described above).
    QString ParsingName() const;
    const std::optional<QString>& InfoTip() const { return m_infoTip; }
    int IconIndex() const { return m_iconIndex; }
    const std::optional<QByteArray>& Contents() const { return m_contents; }
    qint64 ContentsFailAfter() const { return m_failAfter; }
    bool EnumerationFails() const { return m_failEnum; }
    int EnumerationFailsAfter() const { return m_failEnumAfter; }
    bool BindFails() const { return m_failBind; }
    bool RenameFails() const { return m_failRename; }

private:
    FakeNode& Adopt(std::unique_ptr<FakeNode> child);

    QString m_name;
    std::uint32_t m_attributes;
    FakeNode* m_parent;
    std::uint64_t m_size = 0;
    std::uint32_t m_mode = 0;
    std::array<FileTime, 3> m_times{};
    std::optional<QString> m_displayName;
    std::optional<QString> m_normalName;
    std::optional<QString> m_parsingName;
    std::optional<QString> m_infoTip;
    int m_iconIndex = -1;
    std::optional<QByteArray> m_contents;
    qint64 m_failAfter = -1;
    bool m_failEnum = false;
    int m_failEnumAfter = -1;
    bool m_failBind = false;
    bool m_failRename = false;
    QStringList m_itemMenu;
    QStringList m_backgroundMenu;
    std::vector<std::unique_ptr<FakeNode>> m_children;  // enumeration order
    QHash<QString, FakeNode*> m_byName;
};

/// What the fake context menus were asked and what they carried out.
struct FakeMenuLog {
    struct Query {
        QStringList items;  // names of the items (empty: the background)
        std::uint32_t flags = 0;
    };
    struct Invocation {
        QString verb;
        QStringList items;    // names of the items (empty: the background)
        bool byVerb = false;  // InvokeVerb rather than InvokeCommand
        QByteArray workingDirectory;
    };
    std::vector<Query> queries;
    std::vector<Invocation> invocations;
    bool failInvoke = false;
};

class FakeShellNamespace : public ShellNamespace {
public:
    /// A Desktop root with FakeNode::kFolderAttributes and the parsing name
    /// "::Desktop", and no special folders.
    FakeShellNamespace();
    ~FakeShellNamespace() override;

    FakeNode& Root() { return *m_root; }
    /// The log of the fake context menus.
    FakeMenuLog& MenuLog() { return *m_menuLog; }

    /// The absolute id list of a node, or of the node at a path of names from
    /// the root ("" is the Desktop); null when there is none.
    IdList AbsoluteId(const FakeNode& node) const;
    IdList AbsoluteId(const QString& path) const;
    /// The node an absolute id list names, or nullptr.
    FakeNode* NodeOf(const IdList& absolute) const;

    /// A special folder location: a path of names from the root, or any list.
    void SetSpecialFolder(int csidl, const QString& path);
    void SetSpecialFolder(int csidl, const IdList& absolute);

    /// The one-item relative id of a name, and the name in a fake item.
    static IdList ItemId(const QString& name);
    static std::optional<QString> ItemName(std::span<const std::uint8_t> payload);

    /// Counters tests may read: EnumObjects calls, successful renames.
    int enumerations = 0;
    int renames = 0;

    std::unique_ptr<ShellFolder> DesktopFolder() override;
    IdList SpecialFolderLocation(int csidl) override;
    std::uint32_t DesktopAttributes() override;

private:
    std::shared_ptr<FakeNode> m_root;
    std::shared_ptr<FakeMenuLog> m_menuLog = std::make_shared<FakeMenuLog>();
    std::map<int, IdList> m_special;
};

/// Installs a FakeShellNamespace for its lifetime and restores the previous
/// namespace afterwards.
class ScopedFakeShell {
public:
    ScopedFakeShell();
    ~ScopedFakeShell();
    ScopedFakeShell(const ScopedFakeShell&) = delete;
    ScopedFakeShell& operator=(const ScopedFakeShell&) = delete;

    FakeShellNamespace& operator*() const { return *m_fake; }
    FakeShellNamespace* operator->() const { return m_fake; }

private:
    FakeShellNamespace* m_fake;  // owned by the installed slot
    std::unique_ptr<ShellNamespace> m_previous;
};
