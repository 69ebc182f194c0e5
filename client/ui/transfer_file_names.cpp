#include "client/ui/transfer_file_names.h"

#include <QDir>
#include <QFileInfo>

#include "platform/text.h"

namespace zemra::client::ui {
namespace {

// An extension longer than this is treated as part of the name when
// shortening, so that "a.<300 letters>" does not lose all of its name.
constexpr int kMaxKeptExtension = 16;

bool invisible(char32_t c) {
    switch (QChar::category(c)) {
        case QChar::Other_Control:
        case QChar::Other_Format:  // direction overrides, zero-width joiners
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            return true;
        default:
            return false;
    }
}

bool trimmedAtStart(QChar c) {
    return c == '.' || c == '-' || c == '~' || c.isSpace();
}

bool trimmedAtEnd(QChar c) {
    return c == '.' || c.isSpace();
}

int utf8Bytes(const QString& s) {
    return static_cast<int>(s.toUtf8().size());
}

// Splits at the last dot that is not the first character: ("a.tar", ".gz").
std::pair<QString, QString> splitExtension(const QString& name) {
    const int dot = name.lastIndexOf('.');
    if (dot <= 0 || name.size() - dot > kMaxKeptExtension) return {name, QString()};
    return {name.left(dot), name.mid(dot)};
}

// Drops characters from the end of `stem` until stem + tail fits in
// `maxBytes` UTF-8 bytes, never splitting a surrogate pair.
QString fitStem(QString stem, const QString& tail, int maxBytes) {
    while (!stem.isEmpty() && utf8Bytes(stem) + utf8Bytes(tail) > maxBytes) {
        stem.chop(stem.size() >= 2 && stem.back().isLowSurrogate() ? 2 : 1);
    }
    return stem;
}

bool taken(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();  // a dangling link counts too
}

}  // namespace

QString bareFileName(const QString& offered) {
    const int slash = std::max(offered.lastIndexOf('/'), offered.lastIndexOf('\\'));
    QString name;
    for (const char32_t c : offered.mid(slash + 1).toUcs4()) {
        if (!invisible(c)) name += QString::fromUcs4(&c, 1);
    }
    int from = 0;
    while (from < name.size() && trimmedAtStart(name[from])) ++from;
    int to = static_cast<int>(name.size());
    while (to > from && trimmedAtEnd(name[to - 1])) --to;
    name = name.mid(from, to - from);
    if (name.isEmpty()) return QString::fromUtf8(kUnnamedFile);
    if (utf8Bytes(name) <= kMaxFileNameBytes) return name;
    auto [stem, extension] = splitExtension(name);
    stem = fitStem(stem, extension, kMaxFileNameBytes);
    return stem.isEmpty() ? fitStem(name, QString(), kMaxFileNameBytes) : stem + extension;
}

std::optional<QString> freePathIn(const QString& folder, const QString& name) {
    const QDir dir(folder);
    const QString plain = dir.filePath(name);
    if (!taken(plain)) return plain;
    const auto [stem, extension] = splitExtension(name);
    for (int n = 1; n <= kMaxNumberedNames; ++n) {
        const QString tail = QString(" (%1)").arg(n) + extension;
        const QString path = dir.filePath(fitStem(stem, tail, kMaxFileNameBytes) + tail);
        if (!taken(path)) return path;
    }
    return std::nullopt;
}

std::string offeredNameOf(const QString& fileName) {
    const std::string whole = text::toGbk(fileName.toStdString());
    if (whole.size() <= kMaxOfferedNameBytes) return whole;
    const auto [stem, extension] = splitExtension(fileName);
    const std::string tail = text::toGbk(extension.toStdString());
    if (tail.size() >= kMaxOfferedNameBytes / 2) {
        return std::string(text::gbkPrefix(whole, kMaxOfferedNameBytes));
    }
    const std::string head = text::toGbk(stem.toStdString());
    return std::string(text::gbkPrefix(head, kMaxOfferedNameBytes - tail.size())) + tail;
}

}  // namespace zemra::client::ui
