// The rich-text control of the chat windows: the read-only panes that show a
// conversation and the input box are the same class. Emoticon codes become
// pictures on the way in and codes again on the way out.
#pragma once

#include <QTextBrowser>
#include <QUrl>

#include "client/store/chat_message.h"

namespace zemra::client::ui {

// The image resource name that carries an emoticon's index ("emoticon:14").
inline constexpr char kEmoticonScheme[] = "emoticon";
inline constexpr int kPictureSize = 20;

// Shown messages are text a stranger wrote: only web and mail links are
// ever opened, never file:, javascript: or a custom scheme.
bool isOpenableLink(const QUrl& url);

class CFaceRichEdit : public QTextBrowser {
    Q_OBJECT
  public:
    explicit CFaceRichEdit(QWidget* parent = nullptr);

    // The input box is editable, and codes typed into it become pictures as
    // they are completed.
    void setEditable(bool editable);

    // A 20x20 emoticon at the caret; it occupies one character position.
    void insertPicture(int index);
    // Codes become pictures; inserted at the caret in its current format. In
    // a read-only pane web and mail addresses become links.
    void insertTextWithPictures(const QString& text);
    // The plain text with every picture turned back into its code. Lines are
    // separated by "\n", as they are sent and stored.
    QString textWithCodes() const;

    // Appends a stored message's text (GBK) with pictures at the end; a
    // message with a face name and a size gets its format on exactly that
    // range, otherwise the control's current format applies. The caret ends
    // at the end; the read-only state is left as it was. Links as above.
    void showMessage(const store::ChatMessage& m);
    // Appends plain text in a colour at the end (headers such as
    // "alice (12:00:01): "); the colour does not carry on to later text.
    void appendColoured(const QString& text, const QColor& colour);

    // The picture index of an image format this control made, else -1.
    static int pictureIndexOf(const QTextFormat& format);

  signals:
    // A clicked link that passed isOpenableLink, after it was handed on.
    void linkOpened(const QUrl& url);

  protected:
    QVariant loadResource(int type, const QUrl& name) override;

  private:
    void insertPieces(QTextCursor& cursor, const QString& text, const QTextCharFormat& format);
    void insertRun(QTextCursor& cursor, const QString& run, const QTextCharFormat& format);
    void insertPictureAt(QTextCursor& cursor, int index, const QTextCharFormat& format);
    void replaceTypedCode();
    void followLink(const QUrl& url);
    // Appending leaves the caret at the end and the current format as it
    // was, so that one message's format never carries on to the next.
    void finishAppend(const QTextCursor& end, const QTextCharFormat& current);

    bool replacing_ = false;
};

}  // namespace zemra::client::ui
