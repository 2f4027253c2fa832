#pragma once
// PrintersFolder: the print system's printers (QPrinterInfo) as a virtual
// folder ("Printers", parsing name "::Printers").
//
// Items are ItemKind::Printer ids holding the printer's name. The in-folder
// name is the printer's description when it has one, else its name; the
// parsing name is "::Printers/<name>". Info tips give the location, make and
// model, state and whether it is the default printer. Items have no file
// attributes (size "<n/a>"). There is no context menu (nullptr): what can be
// done to a printer is done in the print system's own tools. Each folder object asks the print
// system once, when first needed (it may take a moment when a print server is slow).

#include <QString>
#include <optional>
#include <vector>

#include "platform/namespace/ShellFolder.h"

/// What the folder knows of one printer.
struct PrinterRecord {
    QString name;         // the print system's name (unique)
    QString description;  // may be empty
    QString location;
    QString makeAndModel;
    QString state;  // "Idle", "Printing", ...
    bool isDefault = false;
};

class PrintersFolder : public ShellFolder {
public:
    /// Reads QPrinterInfo::availablePrinters().
    explicit PrintersFolder(IdList absolute);
    /// A fixed list of printers (tests).
    PrintersFolder(IdList absolute, std::vector<PrinterRecord> printers);

    std::unique_ptr<ShellFolder> BindToObject(const IdList& relative) override;
    std::unique_ptr<EnumIdList> EnumObjects(std::uint32_t flags) override;
    bool GetAttributesOf(std::span<const IdList> items, std::uint32_t& inOut) override;
    std::optional<QString> GetDisplayNameOf(const IdList& item, std::uint32_t flags) override;
    /// A printer's name, or "::Printers/<name>".
    IdList ParseDisplayName(const QString& name) override;
    /// The default printer first, then by shown name (case-blind), then name.
    int CompareIDs(int column, const IdList& a, const IdList& b) override;
    std::unique_ptr<ShellDataObject> GetDataObject(std::span<const IdList> items) override;
    std::optional<QString> GetInfoTip(const IdList& item) override;
    int GetIconIndex(const IdList& item, bool open) override;

    const std::vector<PrinterRecord>& Printers();

private:
    const PrinterRecord* Find(const IdList& item);

    IdList m_absolute;
    std::optional<std::vector<PrinterRecord>> m_printers;
};
