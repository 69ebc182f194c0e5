#include "client/ui/face_rich_edit.h"

#include <QDesktopServices>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>

#include "client/app/emoticon_codes.h"
#include "client/ui/image_lists.h"
#include "client/ui/message_format.h"
#include "client/ui/ui_text.h"

namespace zemra::client::ui {
namespace {

QString pictureName(int index) {
    return QString("%1:%2").arg(kEmoticonScheme).arg(index);
}

// Web and mail addresses in shown text. Trailing punctuation belongs to the
// sentence, not the address.
const QRegularExpression& linkPattern() {
    static const QRegularExpression re(
        R"(\b(?:https?://|mailto:|www\.)[^\s<>"]*[^\s<>".,;:!?'()\[\]])",
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

// The format text continues in after a caret position: a picture or a link
// just before the caret lends its font and colour, not its object or link.
QTextCharFormat textFormat(QTextCharFormat f) {
    for (int property : {QTextFormat::ObjectType, QTextFormat::ObjectIndex, QTextFormat::ImageName,
                         QTextFormat::ImageWidth, QTextFormat::ImageHeight, QTextFormat::IsAnchor,
                         QTextFormat::AnchorHref}) {
        f.clearProperty(property);
    }
    return f;
}

QString hrefOf(const QString& link) {
    return link.startsWith("www.", Qt::CaseInsensitive) ? "http://" + link : link;
}

}  // namespace

bool isOpenableLink(const QUrl& url) {
    if (!url.isValid()) return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == "http" || scheme == "https") return !url.host().isEmpty();
    if (scheme == "mailto") return !url.path().isEmpty();
    return false;
}

CFaceRichEdit::CFaceRichEdit(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &CFaceRichEdit::followLink);
    connect(this, &QTextEdit::textChanged, this, &CFaceRichEdit::replaceTypedCode);
}

void CFaceRichEdit::setEditable(bool editable) {
    setReadOnly(!editable);
}

int CFaceRichEdit::pictureIndexOf(const QTextFormat& format) {
    if (!format.isImageFormat()) return -1;
    const QString name = format.toImageFormat().name();
    const QString prefix = QString(kEmoticonScheme) + ':';
    if (!name.startsWith(prefix)) return -1;
    bool ok = false;
    const int index = name.mid(prefix.size()).toInt(&ok);
    return ok && index >= 0 && index < kEmoticonCount ? index : -1;
}

QVariant CFaceRichEdit::loadResource(int type, const QUrl& name) {
    // Served from the shared list rather than added to the document, so
    // pictures survive the document being cleared.
    if (type == QTextDocument::ImageResource && name.scheme() == kEmoticonScheme) {
        bool ok = false;
        const int index = name.path().toInt(&ok);
        if (ok) return imageLists().emoticon(index);
    }
    return QTextBrowser::loadResource(type, name);
}

void CFaceRichEdit::insertPictureAt(QTextCursor& cursor, int index, const QTextCharFormat& format) {
    // The picture carries the surrounding format, so text typed right after
    // it continues in that format rather than the default.
    QTextImageFormat image;
    image.merge(format);
    image.setName(pictureName(index));
    image.setWidth(kPictureSize);
    image.setHeight(kPictureSize);
    cursor.insertImage(image);
}

void CFaceRichEdit::insertPicture(int index) {
    if (index < 0 || index >= kEmoticonCount) return;
    QTextCursor cursor = textCursor();
    const QTextCharFormat format = textFormat(cursor.charFormat());
    insertPictureAt(cursor, index, format);
    setTextCursor(cursor);
    setCurrentCharFormat(format);
}

void CFaceRichEdit::insertRun(QTextCursor& cursor, const QString& run,
                              const QTextCharFormat& format) {
    if (!isReadOnly()) {
        cursor.insertText(run, format);
        return;
    }
    qsizetype done = 0;
    auto links = linkPattern().globalMatch(run);
    while (links.hasNext()) {
        const auto match = links.next();
        if (match.capturedStart() > done) {
            cursor.insertText(run.mid(done, match.capturedStart() - done), format);
        }
        QTextCharFormat link = format;
        link.setAnchor(true);
        link.setAnchorHref(hrefOf(match.captured()));
        link.setFontUnderline(true);
        link.setForeground(palette().link());
        cursor.insertText(match.captured(), link);
        done = match.capturedEnd();
    }
    if (done < run.size()) cursor.insertText(run.mid(done), format);
}

void CFaceRichEdit::insertPieces(QTextCursor& cursor, const QString& text,
                                 const QTextCharFormat& format) {
    // Codes are ASCII and UTF-8 never uses ASCII bytes inside a multi-byte
    // character, so the byte-wise split is safe on UTF-8.
    QString plain = text;
    plain.replace("\r\n", "\n").replace('\r', '\n');
    const QByteArray utf8 = plain.toUtf8();
    for (const TextPiece& piece : splitEmoticons({utf8.constData(), size_t(utf8.size())})) {
        if (piece.emoticon >= 0) {
            insertPictureAt(cursor, piece.emoticon, format);
        } else {
            insertRun(cursor, QString::fromStdString(piece.text), format);
        }
    }
}

void CFaceRichEdit::insertTextWithPictures(const QString& text) {
    QTextCursor cursor = textCursor();
    const QTextCharFormat format = textFormat(cursor.charFormat());
    cursor.beginEditBlock();
    insertPieces(cursor, text, format);
    cursor.endEditBlock();
    setTextCursor(cursor);
    setCurrentCharFormat(format);
}

QString CFaceRichEdit::textWithCodes() const {
    QString out;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (block != document()->begin()) out += '\n';
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (format.isImageFormat()) {
                // Equal pictures side by side share one fragment.
                const int index = pictureIndexOf(format);
                if (index < 0) continue;
                const QString code = QString::fromLatin1(emoticonCode(index));
                for (int i = 0; i < fragment.length(); ++i) out += code;
                continue;
            }
            QString text = fragment.text();
            text.replace(QChar::LineSeparator, '\n');
            // Pasted pages bring no-break spaces, which GBK has no room for.
            text.replace(QChar::Nbsp, ' ');
            text.remove(QChar::ObjectReplacementCharacter);
            out += text;
        }
    }
    return out;
}

void CFaceRichEdit::finishAppend(const QTextCursor& end, const QTextCharFormat& current) {
    setTextCursor(end);
    setCurrentCharFormat(current);
    ensureCursorVisible();
}

void CFaceRichEdit::showMessage(const store::ChatMessage& m) {
    const QTextCharFormat current = textFormat(currentCharFormat());
    QTextCharFormat format = current;
    format.merge(charFormatOf(m));
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    insertPieces(cursor, fromGbk(m.text), format);
    cursor.endEditBlock();
    finishAppend(cursor, current);
}

void CFaceRichEdit::appendColoured(const QString& text, const QColor& colour) {
    const QTextCharFormat current = textFormat(currentCharFormat());
    QTextCharFormat format = current;
    format.setForeground(colour);
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text, format);
    finishAppend(cursor, current);
}

void CFaceRichEdit::replaceTypedCode() {
    if (replacing_ || isReadOnly()) return;
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection()) return;
    const QTextBlock block = cursor.block();
    const auto code = typedCodeBefore(block.text(), cursor.positionInBlock());
    if (!code) return;
    replacing_ = true;
    QTextCursor span(document());
    span.setPosition(block.position() + code->start);
    span.setPosition(block.position() + code->start + code->length, QTextCursor::KeepAnchor);
    // The picture takes the format the code was typed in.
    const QTextCharFormat format = textFormat(span.charFormat());
    span.beginEditBlock();
    span.removeSelectedText();
    insertPictureAt(span, code->index, format);
    span.endEditBlock();
    setTextCursor(span);
    setCurrentCharFormat(format);
    replacing_ = false;
}

void CFaceRichEdit::followLink(const QUrl& url) {
    if (!isOpenableLink(url)) return;
    QDesktopServices::openUrl(url);
    emit linkOpened(url);
}

}  // namespace zemra::client::ui
