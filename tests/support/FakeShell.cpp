#include "support/FakeShell.h"

#include <QIODevice>

#include "platform/namespace/BasicDataObject.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/ItemData.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellIdArray.h"

namespace {

// A contents stream over bytes whose reads fail once they would pass
// `failAfter` bytes, so tests can reach the read-error paths of their callers.
class FakeContents : public QIODevice {
public:
    FakeContents(QByteArray bytes, qint64 failAfter)
        : m_bytes(std::move(bytes)), m_failAfter(failAfter) {}
    bool isSequential() const override { return false; }
    qint64 size() const override { return m_bytes.size(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 at = pos();
        qint64 n = qMin(maxSize, qint64(m_bytes.size()) - at);
        if (n <= 0)
            return at >= m_bytes.size() ? -1 : 0;
        if (m_failAfter >= 0) {
            if (at >= m_failAfter) {
                setErrorString(QStringLiteral("Simulated read error"));
                return -1;
            }
            n = qMin(n, m_failAfter - at);
        }
        memcpy(data, m_bytes.constData() + at, size_t(n));
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_failAfter;
};

QString Extension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

int CompareNames(const QString& a, const QString& b) {
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded ? folded : a.compare(b, Qt::CaseSensitive);
}

int Sign(std::int64_t v) {
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}

template <typename T>
int Order(T a, T b) {
    return a < b ? -1 : a > b ? 1 : 0;
}

std::optional<QStringList> NamesOf(const IdList& relative) {
    QStringList names;
    for (int i = 0, n = relative.Count(); i < n; ++i) {
        auto name = FakeShellNamespace::ItemName(relative.ItemPayload(i));
        if (!name)
            return std::nullopt;
        names << *name;
    }
    return names;
}

class FakeEnum : public EnumIdList {
public:
    FakeEnum(std::vector<QString> names, int failAfter)
        : m_names(std::move(names)), m_failAfter(failAfter) {}
    Result Next(IdList& item) override {
        if (m_failAfter >= 0 && m_next >= std::size_t(m_failAfter))
            return Result::Error;
        if (m_next >= m_names.size())
            return Result::End;
        item = FakeShellNamespace::ItemId(m_names[m_next++]);
        return Result::Item;
    }

private:
    std::vector<QString> m_names;
    std::size_t m_next = 0;
    int m_failAfter;
};

// A context menu of a fake folder: one command per verb.
class FakeContextMenu : public ShellContextMenu {
public:
    FakeContextMenu(QStringList verbs, QStringList items, std::shared_ptr<FakeMenuLog> log)
        : m_verbs(std::move(verbs)), m_items(std::move(items)), m_log(std::move(log)) {}

    bool QueryContextMenu(std::vector<ContextMenuEntry>& out, int firstId, int lastId,
                          std::uint32_t flags) override {
        m_log->queries.push_back({m_items, flags});
        m_shown.clear();
        int id = firstId;
        for (const QString& verb : m_verbs) {
            if (verb == QLatin1String("-")) {
                out.push_back(ContextMenuEntry{});
                continue;
            }
            if (verb == QLatin1String("rename") && !(flags & CMF_CANRENAME))
                continue;
            if (id > lastId)
                break;
            ContextMenuEntry entry;
            entry.id = id++;
            entry.verb = verb;
            entry.text = QLatin1Char('&') + verb;
            entry.helpText = QStringLiteral("Runs ") + verb;
            entry.isDefault = m_shown.empty();
            out.push_back(entry);
            m_shown.push_back(verb);
        }
        return true;
    }

    std::optional<QString> GetCommandString(int offset) override {
        if (offset < 0 || offset >= int(m_shown.size()))
            return std::nullopt;
        return m_shown[std::size_t(offset)];
    }

    bool InvokeCommand(int offset, const InvokeContext& context) override {
        const std::optional<QString> verb = GetCommandString(offset);
        if (!verb || m_log->failInvoke)
            return false;
        m_log->invocations.push_back({*verb, m_items, false, context.workingDirectory});
        return true;
    }

    bool InvokeVerb(const QString& verb, const InvokeContext& context) override {
        if (!m_verbs.contains(verb) || m_log->failInvoke)
            return false;
        m_log->invocations.push_back({verb, m_items, true, context.workingDirectory});
        return true;
    }

private:
    QStringList m_verbs;
    QStringList m_items;
    std::shared_ptr<FakeMenuLog> m_log;
    std::vector<QString> m_shown;  // the verbs of the commands, by offset
};

class FakeFolder : public ShellFolder {
public:
    FakeFolder(std::shared_ptr<FakeNode> root, QStringList path, IdList absolute,
               std::shared_ptr<FakeMenuLog> log)
        : m_root(std::move(root)),
          m_path(std::move(path)),
          m_absolute(std::move(absolute)),
          m_log(std::move(log)) {}

    std::unique_ptr<ShellFolder> BindToObject(const IdList& relative) override {
        auto names = NamesOf(relative);
        if (!names || names->isEmpty())
            return nullptr;
        FakeNode* node = Self();
        for (const QString& name : *names) {
            node = node ? node->Child(name) : nullptr;
            if (!node || !node->IsFolder() || node->BindFails())
                return nullptr;
        }
        return std::make_unique<FakeFolder>(m_root, m_path + *names, m_absolute.Concat(relative),
                                            m_log);
    }

    std::unique_ptr<EnumIdList> EnumObjects(std::uint32_t flags) override {
        FakeNode* self = Self();
        if (!self || self->EnumerationFails())
            return nullptr;
        std::vector<QString> names;
        for (const auto& child : self->Children()) {
            const bool folder = child->IsFolder();
            if (folder && !(flags & SHCONTF_FOLDERS))
                continue;
            if (!folder && !(flags & SHCONTF_NONFOLDERS))
                continue;
            if ((child->Attributes() & SFGAO_HIDDEN) && !(flags & SHCONTF_INCLUDEHIDDEN))
                continue;
            names.push_back(child->Name());
        }
        return std::make_unique<FakeEnum>(std::move(names), self->EnumerationFailsAfter());
    }

    bool GetAttributesOf(std::span<const IdList> items, std::uint32_t& inOut) override {
        FakeNode* self = Self();
        if (!self)
            return false;
        std::uint32_t all = inOut;
        for (const IdList& item : items) {
            FakeNode* node = Resolve(item);
            if (!node)
                return false;
            all &= node->Attributes();
        }
        if (!items.empty())
            inOut = all;
        return true;
    }

    std::optional<QString> GetDisplayNameOf(const IdList& item, std::uint32_t flags) override {
        FakeNode* node = item.IsEmpty() ? Self() : Resolve(item);
        if (!node)
            return std::nullopt;
        if (flags & SHGDN_FORPARSING) {
            return (flags & SHGDN_INFOLDER) ? node->Name() : node->ParsingName();
        }
        if (!(flags & SHGDN_INFOLDER) && node->NormalName())
            return *node->NormalName();
        return node->DisplayName().value_or(node->Name());
    }

    IdList ParseDisplayName(const QString& name) override {
        FakeNode* self = Self();
        if (!self || name.isEmpty())
            return {};
        if (IsRoot()) {
            if (FakeNode* node = FindByParsingName(*self, name))
                return RelativeId(node);
            QString path = name;
            if (path.startsWith(QLatin1String("::"))) {
                path = path.mid(2);
            } else if (path.startsWith(QLatin1Char('/'))) {
                path = path.mid(1);
            } else {
                return {};
            }
            return ParseNames(self, path);
        }
        return ParseNames(self, name);
    }

    int CompareIDs(int column, const IdList& a, const IdList& b) override {
        FakeNode* self = Self();
        const int n = qMin(a.Count(), b.Count());
        FakeNode* parent = self;
        for (int i = 0; i < n; ++i) {
            const auto na = FakeShellNamespace::ItemName(a.ItemPayload(i)).value_or(QString());
            const auto nb = FakeShellNamespace::ItemName(b.ItemPayload(i)).value_or(QString());
            FakeNode* x = parent ? parent->Child(na) : nullptr;
            FakeNode* y = parent ? parent->Child(nb) : nullptr;
            int r = 0;
            if (x && y && i == n - 1 && a.Count() == b.Count()) {
                if (column == 1)
                    r = Order(x->Size(), y->Size());
                if (column == 2)
                    r = CompareNames(Extension(na), Extension(nb));
                if (column == 3)
                    r = Order(x->Times()[kTimeModified], y->Times()[kTimeModified]);
            }
            if (!r)
                r = CompareNames(na, nb);
            if (r)
                return r;
            parent = x;
        }
        return Sign(std::int64_t(a.Count()) - b.Count());
    }

    std::optional<FindData> GetFindData(const IdList& item) override {
        FakeNode* node = Resolve(item);
        if (!node || !(node->Attributes() & SFGAO_FILESYSTEM))
            return std::nullopt;
        FindData data;
        data.name = node->Name();
        data.mode = node->Mode();
        data.size = node->Size();
        data.times = node->Times();
        return data;
    }

    std::unique_ptr<ShellDataObject> GetDataObject(std::span<const IdList> items) override {
        if (items.empty())
            return nullptr;
        std::vector<FakeNode*> nodes;
        for (const IdList& item : items) {
            FakeNode* node = Resolve(item);
            if (!node)
                return nullptr;
            nodes.push_back(node);
        }
        auto object = std::make_unique<BasicDataObject>();
        object->SetData(ClipFormats::kShellIdList, EncodeShellIdArray(m_absolute, items));
        QStringList paths;
        QStringList texts;
        bool descriptors = false;
        for (FakeNode* node : nodes) {
            texts << node->ParsingName();
            if ((node->Attributes() & SFGAO_FILESYSTEM) && node->ParsingName().startsWith('/')) {
                paths << node->ParsingName();
            }
            descriptors = descriptors || node->Contents().has_value();
        }
        if (!paths.isEmpty())
            object->SetFilePaths(paths);
        object->SetData(ClipFormats::kText, texts.join(QLatin1Char('\n')).toUtf8());
        if (descriptors) {
            std::vector<FileDescriptor> group;
            std::vector<std::pair<QByteArray, qint64>> contents;
            for (FakeNode* node : nodes) {
                FileDescriptor d;
                d.flags = FD_FILESIZE | FD_WRITESTIME | FD_CREATETIME | FD_ACCESSTIME;
                d.size = node->Contents() ? std::uint64_t(node->Contents()->size()) : node->Size();
                d.times = node->Times();
                d.name = node->Name();
                d.directory = node->IsFolder();
                group.push_back(d);
                contents.emplace_back(node->Contents().value_or(QByteArray()),
                                      node->Contents() ? node->ContentsFailAfter() : -2);
            }
            object->SetFileGroup(std::move(group),
                                 [contents](int index) -> std::unique_ptr<QIODevice> {
                                     const auto& [bytes, failAfter] = contents[std::size_t(index)];
                                     if (failAfter == -2)
                                         return nullptr;
                                     auto device = std::make_unique<FakeContents>(bytes, failAfter);
                                     device->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
                                     return device;
                                 });
        }
        return object;
    }

    std::optional<QString> GetInfoTip(const IdList& item) override {
        FakeNode* node = Resolve(item);
        return node ? node->InfoTip() : std::nullopt;
    }

    int GetIconIndex(const IdList& item, bool open) override {
        (void)open;
        FakeNode* node = item.IsEmpty() ? Self() : Resolve(item);
        return node ? node->IconIndex() : -1;
    }

    IdList SetNameOf(const IdList& item, const QString& newName, std::uint32_t flags) override {
        (void)flags;
        FakeNode* node = item.Count() == 1 ? Resolve(item) : nullptr;
        if (!node || node->RenameFails() || newName.contains(QLatin1Char('/')))
            return {};
        if (!node->Rename(newName))
            return {};
        return FakeShellNamespace::ItemId(newName);
    }

    std::unique_ptr<ShellContextMenu> GetContextMenu(std::span<const IdList> items) override {
        FakeNode* self = Self();
        if (!self || self->ItemMenu().isEmpty() || items.empty())
            return nullptr;
        QStringList names;
        for (const IdList& item : items) {
            FakeNode* node = item.Count() == 1 ? Resolve(item) : nullptr;
            if (!node)
                return nullptr;
            names << node->Name();
        }
        return std::make_unique<FakeContextMenu>(self->ItemMenu(), names, m_log);
    }

    std::unique_ptr<ShellContextMenu> GetBackgroundMenu() override {
        FakeNode* self = Self();
        if (!self || self->BackgroundMenu().isEmpty())
            return nullptr;
        return std::make_unique<FakeContextMenu>(self->BackgroundMenu(), QStringList(), m_log);
    }

private:
    bool IsRoot() const { return m_path.isEmpty(); }

    FakeNode* Self() const {
        FakeNode* node = m_root.get();
        for (const QString& name : m_path) {
            node = node->Child(name);
            if (!node)
                return nullptr;
        }
        return node;
    }

    FakeNode* Resolve(const IdList& relative) const {
        auto names = NamesOf(relative);
        if (!names || names->isEmpty())
            return nullptr;
        FakeNode* node = Self();
        for (const QString& name : *names) {
            node = node ? node->Child(name) : nullptr;
        }
        return node;
    }

    IdList RelativeId(FakeNode* node) const {
        QStringList names;
        FakeNode* self = Self();
        for (; node && node != self; node = node->Parent()) names.prepend(node->Name());
        if (node != self)
            return {};
        IdList id = IdList::Empty();
        for (const QString& name : names) id = id.Concat(FakeShellNamespace::ItemId(name));
        return id;
    }

    IdList ParseNames(FakeNode* from, const QString& path) const {
        const QStringList names = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        if (names.isEmpty())
            return {};
        IdList id = IdList::Empty();
        FakeNode* node = from;
        for (const QString& name : names) {
            node = node->Child(name);
            if (!node)
                return {};
            id = id.Concat(FakeShellNamespace::ItemId(name));
        }
        return id;
    }

    static FakeNode* FindByParsingName(FakeNode& node, const QString& name) {
        for (const auto& child : node.Children()) {
            if (child->ParsingName() == name)
                return child.get();
            if (FakeNode* found = FindByParsingName(*child, name))
                return found;
        }
        return nullptr;
    }

    std::shared_ptr<FakeNode> m_root;
    QStringList m_path;  // names from the root
    IdList m_absolute;
    std::shared_ptr<FakeMenuLog> m_log;
};

}  // namespace

// FakeNode

FakeNode::FakeNode(const QString& name, std::uint32_t attributes, FakeNode* parent)
    : m_name(name), m_attributes(attributes), m_parent(parent) {}

FakeNode& FakeNode::Adopt(std::unique_ptr<FakeNode> child) {
    Remove(child->m_name);
    FakeNode& ref = *child;
    m_byName.insert(ref.m_name, &ref);
    m_children.push_back(std::move(child));
    return ref;
}

FakeNode& FakeNode::AddFolder(const QString& name, std::uint32_t attributes) {
    return Adopt(std::make_unique<FakeNode>(name, attributes | SFGAO_FOLDER, this));
}

FakeNode& FakeNode::AddFile(const QString& name, std::uint64_t size, FileTime modified,
                            std::uint32_t attributes) {
    FakeNode& node = Adopt(std::make_unique<FakeNode>(name, attributes & ~SFGAO_FOLDER, this));
    node.m_size = size;
    node.m_times[kTimeModified] = modified;
    return node;
}

bool FakeNode::Remove(const QString& name) {
    FakeNode* child = Child(name);
    if (!child)
        return false;
    m_byName.remove(name);
    std::erase_if(m_children, [child](const auto& c) { return c.get() == child; });
    return true;
}

FakeNode* FakeNode::Child(const QString& name) const {
    return m_byName.value(name, nullptr);
}

FakeNode* FakeNode::Find(const QString& path) {
    FakeNode* node = this;
    for (const QString& name : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        node = node->Child(name);
        if (!node)
            return nullptr;
    }
    return node;
}

bool FakeNode::Rename(const QString& newName) {
    if (newName.isEmpty())
        return false;
    if (m_parent) {
        if (m_parent->Child(newName))
            return false;
        m_parent->m_byName.remove(m_name);
        m_parent->m_byName.insert(newName, this);
    }
    m_name = newName;
    return true;
}

FakeNode& FakeNode::SetAttributes(std::uint32_t attributes) {
    m_attributes = attributes;
    return *this;
}
FakeNode& FakeNode::AddAttributes(std::uint32_t attributes) {
    m_attributes |= attributes;
    return *this;
}
FakeNode& FakeNode::SetSize(std::uint64_t size) {
    m_size = size;
    return *this;
}
FakeNode& FakeNode::SetMode(std::uint32_t mode) {
    m_mode = mode;
    return *this;
}
FakeNode& FakeNode::SetTimes(FileTime modified, FileTime created, FileTime accessed) {
    m_times = {modified, created, accessed};
    return *this;
}
FakeNode& FakeNode::SetDisplayName(const QString& name) {
    m_displayName = name;
    return *this;
}
FakeNode& FakeNode::SetNormalName(const QString& name) {
    m_normalName = name;
    return *this;
}
FakeNode& FakeNode::SetParsingName(const QString& name) {
    m_parsingName = name;
    return *this;
}
FakeNode& FakeNode::SetInfoTip(const QString& tip) {
    m_infoTip = tip;
    return *this;
}
FakeNode& FakeNode::SetIconIndex(int index) {
    m_iconIndex = index;
    return *this;
}
FakeNode& FakeNode::SetContents(const QByteArray& contents, qint64 failAfter) {
    m_contents = contents;
    m_failAfter = failAfter;
    m_size = std::uint64_t(contents.size());
    return *this;
}
FakeNode& FakeNode::FailEnumeration(bool fail) {
    m_failEnum = fail;
    return *this;
}
FakeNode& FakeNode::FailEnumerationAfter(int items) {
    m_failEnumAfter = items;
    return *this;
}
FakeNode& FakeNode::FailBind(bool fail) {
    m_failBind = fail;
    return *this;
}
FakeNode& FakeNode::FailRename(bool fail) {
    m_failRename = fail;
    return *this;
}

FakeNode& FakeNode::SetItemMenu(const QStringList& verbs) {
    m_itemMenu = verbs;
    return *this;
}

FakeNode& FakeNode::SetBackgroundMenu(const QStringList& verbs) {
    m_backgroundMenu = verbs;
    return *this;
}

QString FakeNode::ParsingName() const {
    if (m_parsingName)
        return *m_parsingName;
    if (!m_parent)
        return QStringLiteral("::Desktop");
    if (!m_parent->m_parent && !m_parent->m_parsingName)
        return QStringLiteral("::") + m_name;
    QString base = m_parent->ParsingName();
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    return base + m_name;
}

// FakeShellNamespace

FakeShellNamespace::FakeShellNamespace()
    : m_root(std::make_shared<FakeNode>(QStringLiteral("Desktop"), FakeNode::kFolderAttributes,
                                        nullptr)) {}

FakeShellNamespace::~FakeShellNamespace() = default;

IdList FakeShellNamespace::ItemId(const QString& name) {
    QByteArray payload;
    payload.append(char(ItemKind::Fake));
    payload.append(NameToBytes(name));
    return IdList::FromPayload(payload);
}

std::optional<QString> FakeShellNamespace::ItemName(std::span<const std::uint8_t> payload) {
    if (payload.size() < 2 || payload[0] != std::uint8_t(ItemKind::Fake))
        return std::nullopt;
    return NameFromBytes(reinterpret_cast<const char*>(payload.data()) + 1,
                         qsizetype(payload.size() - 1));
}

IdList FakeShellNamespace::AbsoluteId(const FakeNode& node) const {
    QStringList names;
    const FakeNode* n = &node;
    for (; n && n != m_root.get(); n = n->Parent()) names.prepend(n->Name());
    if (n != m_root.get())
        return {};
    IdList id = IdList::Empty();
    for (const QString& name : names) id = id.Concat(ItemId(name));
    return id;
}

IdList FakeShellNamespace::AbsoluteId(const QString& path) const {
    FakeNode* node = m_root->Find(path);
    return node ? AbsoluteId(*node) : IdList();
}

FakeNode* FakeShellNamespace::NodeOf(const IdList& absolute) const {
    if (absolute.IsNull())
        return nullptr;
    FakeNode* node = m_root.get();
    for (int i = 0, n = absolute.Count(); i < n && node; ++i) {
        auto name = ItemName(absolute.ItemPayload(i));
        node = name ? node->Child(*name) : nullptr;
    }
    return node;
}

void FakeShellNamespace::SetSpecialFolder(int csidl, const QString& path) {
    m_special[csidl] = AbsoluteId(path);
}

void FakeShellNamespace::SetSpecialFolder(int csidl, const IdList& absolute) {
    m_special[csidl] = absolute;
}

std::unique_ptr<ShellFolder> FakeShellNamespace::DesktopFolder() {
    return std::make_unique<FakeFolder>(m_root, QStringList(), IdList::Empty(), m_menuLog);
}

IdList FakeShellNamespace::SpecialFolderLocation(int csidl) {
    if (csidl == CSIDL_DESKTOP)
        return IdList::Empty();
    const auto it = m_special.find(csidl);
    return it == m_special.end() ? IdList() : it->second;
}

std::uint32_t FakeShellNamespace::DesktopAttributes() {
    return m_root->Attributes();
}

// ScopedFakeShell

ScopedFakeShell::ScopedFakeShell() {
    auto fake = std::make_unique<FakeShellNamespace>();
    m_fake = fake.get();
    m_previous = InstallShellNamespace(std::move(fake));
}

ScopedFakeShell::~ScopedFakeShell() {
    InstallShellNamespace(std::move(m_previous));
}
