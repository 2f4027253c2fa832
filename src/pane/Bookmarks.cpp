#include "pane/Bookmarks.h"

#include "platform/store/ProfileStore.h"

namespace {

const QString kSetText = QStringLiteral("&%1: \"%2\"\tCtrl+%1");
const QString kUnsetText = QStringLiteral("(press Ctrl+Shift+%1 to set)");

}  // namespace

void Bookmarks::Load(const ProfileStore& store) {
    for (int n = 0; n < kCount; ++n)
        m_paths[std::size_t(n)] = store.GetProfileString(kSection, QString::number(n), QString());
}

void Bookmarks::Save(ProfileStore& store) const {
    for (int n = 0; n < kCount; ++n)
        store.WriteProfileString(kSection, QString::number(n), m_paths[std::size_t(n)]);
}

QString Bookmarks::At(int n) const {
    return n >= 0 && n < kCount ? m_paths[std::size_t(n)] : QString();
}

void Bookmarks::Set(int n, const QString& path) {
    if (n >= 0 && n < kCount)
        m_paths[std::size_t(n)] = path;
}

void Bookmarks::Clear() {
    for (QString& path : m_paths) path.clear();
}

QString Bookmarks::MenuText(int n) const {
    const QString path = At(n);
    // A "&" in the path would become a mnemonic; doubled it shows as itself.
    return path.isEmpty()
               ? kUnsetText.arg(n)
               : kSetText.arg(n).arg(QString(path).replace(QLatin1Char('&'), QStringLiteral("&&")));
}

Bookmarks& TheBookmarks() {
    static Bookmarks bookmarks;
    return bookmarks;
}
