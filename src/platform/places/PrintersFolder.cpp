#include "platform/places/PrintersFolder.h"

#include <QCoreApplication>
#include <QPrinterInfo>

#include "platform/namespace/BasicDataObject.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/IconRegistry.h"
#include "platform/namespace/ItemData.h"
#include "platform/namespace/NestedFolder.h"
#include "platform/namespace/ShellIdArray.h"

namespace {

const QString kPrintersParsing = QStringLiteral("::Printers");

QString Tr(const char* text) {
    return QCoreApplication::translate("PrintersFolder", text);
}

QString StateText(QPrinter::PrinterState state) {
    switch (state) {
        case QPrinter::Idle:
            return Tr("Idle");
        case QPrinter::Active:
            return Tr("Printing");
        case QPrinter::Aborted:
            return Tr("Stopped");
        case QPrinter::Error:
            return Tr("Error");
    }
    return {};
}

QString Shown(const PrinterRecord& p) {
    return p.description.isEmpty() ? p.name : p.description;
}

}  // namespace

PrintersFolder::PrintersFolder(IdList absolute) : m_absolute(std::move(absolute)) {}

PrintersFolder::PrintersFolder(IdList absolute, std::vector<PrinterRecord> printers)
    : m_absolute(std::move(absolute)), m_printers(std::move(printers)) {}

const std::vector<PrinterRecord>& PrintersFolder::Printers() {
    if (!m_printers) {
        std::vector<PrinterRecord> list;
        const QString defaultName = QPrinterInfo::defaultPrinterName();
        for (const QPrinterInfo& info : QPrinterInfo::availablePrinters()) {
            PrinterRecord p;
            p.name = info.printerName();
            p.description = info.description();
            p.location = info.location();
            p.makeAndModel = info.makeAndModel();
            p.state = StateText(info.state());
            p.isDefault = info.isDefault() || (!defaultName.isEmpty() && p.name == defaultName);
            if (!p.name.isEmpty())
                list.push_back(std::move(p));
        }
        m_printers = std::move(list);
    }
    return *m_printers;
}

const PrinterRecord* PrintersFolder::Find(const IdList& item) {
    if (item.Count() != 1)
        return nullptr;
    const auto name = DecodePrinterItem(item.ItemPayload(0));
    if (!name)
        return nullptr;
    const QString n = QString::fromUtf8(*name);
    for (const PrinterRecord& p : Printers()) {
        if (p.name == n)
            return &p;
    }
    return nullptr;
}

std::unique_ptr<ShellFolder> PrintersFolder::BindToObject(const IdList& relative) {
    (void)relative;
    return nullptr;  // printers hold nothing to browse
}

std::unique_ptr<EnumIdList> PrintersFolder::EnumObjects(std::uint32_t flags) {
    std::vector<IdList> ids;
    if (flags & SHCONTF_NONFOLDERS) {
        for (const PrinterRecord& p : Printers()) {
            IdList id = PrinterItemId(p.name.toUtf8());
            if (!id.IsNull())
                ids.push_back(std::move(id));
        }
    }
    return std::make_unique<IdListEnum>(std::move(ids));
}

bool PrintersFolder::GetAttributesOf(std::span<const IdList> items, std::uint32_t& inOut) {
    for (const IdList& item : items) {
        if (!Find(item))
            return false;
    }
    if (!items.empty())
        inOut &= std::uint32_t(SFGAO_CANLINK);
    return true;
}

std::optional<QString> PrintersFolder::GetDisplayNameOf(const IdList& item, std::uint32_t flags) {
    if (item.IsNull())
        return std::nullopt;
    const bool parsing = flags & SHGDN_FORPARSING;
    if (item.IsEmpty())
        return parsing ? kPrintersParsing : Tr("Printers");
    const PrinterRecord* p = Find(item);
    if (!p)
        return std::nullopt;
    return parsing ? kPrintersParsing + QLatin1Char('/') + p->name : Shown(*p);
}

IdList PrintersFolder::ParseDisplayName(const QString& name) {
    QString n = name;
    if (n.startsWith(kPrintersParsing + QLatin1Char('/')))
        n = n.mid(kPrintersParsing.size() + 1);
    for (const PrinterRecord& p : Printers()) {
        if (p.name == n)
            return PrinterItemId(p.name.toUtf8());
    }
    return {};
}

int PrintersFolder::CompareIDs(int column, const IdList& a, const IdList& b) {
    (void)column;
    if (a.Count() == 0 || b.Count() == 0)
        return Order(a.Count(), b.Count());
    const PrinterRecord* pa = Find(a);
    const PrinterRecord* pb = Find(b);
    if (!pa || !pb) {
        if (pa || pb)
            return pa ? -1 : 1;
        return Order(a.ToByteArray().compare(b.ToByteArray()), 0);
    }
    if (pa->isDefault != pb->isDefault)
        return pa->isDefault ? -1 : 1;
    const int r = Order(Shown(*pa).compare(Shown(*pb), Qt::CaseInsensitive), 0);
    return r ? r : Order(pa->name.compare(pb->name), 0);
}

std::unique_ptr<ShellDataObject> PrintersFolder::GetDataObject(std::span<const IdList> items) {
    if (items.empty())
        return nullptr;
    for (const IdList& item : items) {
        if (!Find(item))
            return nullptr;
    }
    auto object = std::make_unique<BasicDataObject>();
    object->SetData(ClipFormats::kShellIdList, EncodeShellIdArray(m_absolute, items));
    return object;
}

std::optional<QString> PrintersFolder::GetInfoTip(const IdList& item) {
    const PrinterRecord* p = Find(item);
    if (!p)
        return std::nullopt;
    QStringList lines;
    if (p->isDefault)
        lines << Tr("Default printer");
    if (!p->location.isEmpty())
        lines << Tr("Location: %1").arg(p->location);
    if (!p->makeAndModel.isEmpty())
        lines << Tr("Model: %1").arg(p->makeAndModel);
    if (!p->state.isEmpty())
        lines << Tr("State: %1").arg(p->state);
    if (lines.isEmpty())
        return std::nullopt;
    return lines.join(QLatin1Char('\n'));
}

int PrintersFolder::GetIconIndex(const IdList& item, bool open) {
    (void)open;
    if (item.IsEmpty() || Find(item))
        return IconRegistry::PrinterIcon;
    return -1;
}
