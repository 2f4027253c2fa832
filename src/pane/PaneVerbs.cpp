#include "pane/PaneVerbs.h"

#include <iterator>

#include "shell/CommandIds.h"

namespace {

constexpr PaneVerb kPaneVerbs[] = {
    {"cut", ID_EDIT_CUT},
    {"copy", ID_EDIT_COPY},
    {"delete", ID_FILE_DELETE},
    {"rename", ID_FILE_RENAME},
};

}  // namespace

const PaneVerb* PaneVerbs(int* count) {
    if (count)
        *count = int(std::size(kPaneVerbs));
    return kPaneVerbs;
}

std::optional<int> PaneVerbCommand(const QString& verb) {
    for (const PaneVerb& row : kPaneVerbs) {
        if (verb.compare(QLatin1String(row.verb), Qt::CaseInsensitive) == 0)
            return row.command;
    }
    return std::nullopt;
}
