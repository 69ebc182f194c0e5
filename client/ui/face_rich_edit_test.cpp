#include "client/ui/face_rich_edit.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "client/ui/image_lists.h"
#include "client/ui/message_format.h"
#include "platform/text.h"

namespace zemra::client::ui {
namespace {

constexpr QChar kPicture = QChar::ObjectReplacementCharacter;

class FaceRichEditTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setDataDir(ZEMRA_TEST_DATA_DIR);
        edit.resize(400, 200);
        edit.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&edit));
    }

    // The character format at document position `pos` (the character after it).
    QTextCharFormat formatAt(int pos) const {
        QTextCursor c(edit.document());
        c.setPosition(pos + 1);
        return c.charFormat();
    }
    QTextFormat rawFormatAt(int pos) const {
        const QTextBlock block = edit.document()->findBlock(pos);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (pos >= f.position() && pos < f.position() + f.length()) return f.charFormat();
        }
        return {};
    }
    int pictureAt(int pos) const { return CFaceRichEdit::pictureIndexOf(rawFormatAt(pos)); }
    QString plain() const { return edit.document()->toPlainText(); }
    int endPosition() const { return edit.document()->characterCount() - 1; }

    static store::ChatMessage message(const std::string& utf8) {
        store::ChatMessage m;
        m.text = text::toGbk(utf8);
        return m;
    }

    CFaceRichEdit edit;
};

// Codes to pictures and back.

TEST_F(FaceRichEditTest, CodesBecomeOneCharacterPicturesAndReadBackUnchanged) {
    const QString typed = "a/:)b/:)/:)/:-|/<Y1>/:";
    edit.insertTextWithPictures(typed);
    EXPECT_EQ(plain(),
              QString("a") + kPicture + "b" + kPicture + kPicture + kPicture + kPicture + "/:");
    EXPECT_EQ(pictureAt(1), 14);
    EXPECT_EQ(pictureAt(3), 14);
    EXPECT_EQ(pictureAt(4), 14);
    EXPECT_EQ(pictureAt(5), 10);
    EXPECT_EQ(pictureAt(6), 33);
    EXPECT_EQ(pictureAt(7), -1);
    EXPECT_EQ(edit.textCursor().position(), endPosition());
    EXPECT_EQ(edit.textWithCodes(), typed);
}

TEST_F(FaceRichEditTest, APictureInsertedBetweenTextReadsBackAsItsCode) {
    edit.insertTextWithPictures("x");
    edit.insertPicture(46);
    EXPECT_EQ(edit.textCursor().position(), 2);
    edit.insertTextWithPictures("y");
    EXPECT_EQ(edit.textWithCodes(), "x/<OK>y");
    // The picture itself is the 20x20 emoticon from the shared list.
    const QImage shown = edit.document()
                             ->resource(QTextDocument::ImageResource, QUrl("emoticon:46"))
                             .value<QPixmap>()
                             .toImage();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.size(), QSize(20, 20));
    EXPECT_EQ(shown, imageLists().emoticon(46).toImage());
}

TEST_F(FaceRichEditTest, APictureInsideBoldColouredTextKeepsTheTextFormatAndItsCode) {
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    bold.setForeground(QColor(200, 0, 0));
    edit.setCurrentCharFormat(bold);
    edit.insertTextWithPictures("hot /:D dog");
    EXPECT_EQ(pictureAt(4), 13);
    for (int pos : {0, 3, 5, 8}) {
        SCOPED_TRACE(pos);
        EXPECT_EQ(formatAt(pos).fontWeight(), QFont::Bold);
        EXPECT_EQ(formatAt(pos).foreground().color(), QColor(200, 0, 0));
    }
    EXPECT_EQ(edit.textWithCodes(), "hot /:D dog");
}

TEST_F(FaceRichEditTest, LineBreaksOfAMessageBecomeBlocksAndReadBackAsNewlines) {
    edit.showMessage(message("one/:)\r\ntwo\rthree"));
    EXPECT_EQ(edit.document()->blockCount(), 3);
    EXPECT_EQ(edit.textWithCodes(), "one/:)\ntwo\nthree");
}

TEST_F(FaceRichEditTest, PicturesSurviveClearingTheDocument) {
    edit.insertPicture(5);
    edit.clear();
    edit.insertPicture(7);
    EXPECT_EQ(edit.textWithCodes(), "/:-X");
    EXPECT_FALSE(edit.document()
                     ->resource(QTextDocument::ImageResource, QUrl("emoticon:7"))
                     .value<QPixmap>()
                     .isNull());
}

// Codes typed into the input box.

class TypedCodeTest : public FaceRichEditTest {
  protected:
    void SetUp() override {
        FaceRichEditTest::SetUp();
        edit.setEditable(true);
        edit.setFocus();
    }
};

TEST_F(TypedCodeTest, TheClosingCharacterTurnsTheTypedCodeIntoAPicture) {
    QTest::keyClicks(&edit, "hi /:");
    EXPECT_EQ(plain(), "hi /:");
    QTest::keyClick(&edit, ')');
    EXPECT_EQ(plain(), QString("hi ") + kPicture);
    EXPECT_EQ(pictureAt(3), 14);
    EXPECT_EQ(edit.textCursor().position(), 4);
    QTest::keyClicks(&edit, "ok/<OK>");
    EXPECT_EQ(plain(), QString("hi ") + kPicture + "ok" + kPicture);
    EXPECT_EQ(edit.textWithCodes(), "hi /:)ok/<OK>");
}

TEST_F(TypedCodeTest, ASpaceInsideACodeOrAnIncompleteCodeStaysText) {
    QTest::keyClicks(&edit, "/ :) /<O");
    EXPECT_EQ(plain(), "/ :) /<O");
    EXPECT_EQ(edit.textWithCodes(), "/ :) /<O");
}

TEST_F(TypedCodeTest, ACodeTypedInTheMiddleOfALineIsReplacedThere) {
    QTest::keyClicks(&edit, "ab");
    QTest::keyClick(&edit, Qt::Key_Return);
    QTest::keyClicks(&edit, "cd");
    QTest::keyClick(&edit, Qt::Key_Left);
    QTest::keyClicks(&edit, "/:(");
    EXPECT_EQ(edit.textWithCodes(), "ab\nc/:(d");
    EXPECT_EQ(pictureAt(4), 5);
    EXPECT_EQ(edit.textCursor().position(), 5);
}

TEST_F(TypedCodeTest, TextTypedAfterAPictureKeepsTheChosenFormat) {
    QTextCharFormat italic;
    italic.setFontItalic(true);
    edit.setCurrentCharFormat(italic);
    QTest::keyClicks(&edit, "/:P!");
    // Coming back to the place after the picture, text continues in the
    // picture's format: italic, and text rather than another picture.
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClick(&edit, Qt::Key_Right);
    QTest::keyClick(&edit, '?');
    EXPECT_EQ(edit.textWithCodes(), "/:P?!");
    for (int pos : {1, 2}) {
        SCOPED_TRACE(pos);
        EXPECT_TRUE(formatAt(pos).fontItalic());
        EXPECT_FALSE(formatAt(pos).isImageFormat());
    }
}

// Displaying stored messages.

TEST_F(FaceRichEditTest, AMessageFormatCoversExactlyTheInsertedText) {
    edit.appendColoured("alice: ", QColor(0, 0, 255));
    store::ChatMessage m = message("hi /:) there");
    m.faceName = text::toGbk("宋体");
    m.size = 14;
    m.colour = 0x000000FF;  // red as COLORREF
    m.effects = 0b101;      // bold, underline
    edit.showMessage(m);
    edit.appendColoured(" tail", QColor(0, 128, 0));

    EXPECT_EQ(edit.textWithCodes(), "alice: hi /:) there tail");
    EXPECT_TRUE(edit.isReadOnly());
    EXPECT_EQ(edit.textCursor().position(), endPosition());
    for (int pos = 0; pos < 7; ++pos) {
        SCOPED_TRACE(pos);
        EXPECT_EQ(formatAt(pos).foreground().color(), QColor(0, 0, 255));
        EXPECT_NE(formatAt(pos).fontWeight(), QFont::Bold);
    }
    // "hi ", the picture, " there": ten positions.
    for (int pos = 7; pos < 17; ++pos) {
        SCOPED_TRACE(pos);
        const QTextCharFormat f = formatAt(pos);
        EXPECT_EQ(f.fontFamilies().toStringList(), QStringList{QString::fromUtf8("宋体")});
        EXPECT_EQ(f.fontPointSize(), 14);
        EXPECT_EQ(f.foreground().color(), QColor(255, 0, 0));
        EXPECT_EQ(f.fontWeight(), QFont::Bold);
        EXPECT_TRUE(f.fontUnderline());
        EXPECT_FALSE(f.fontItalic());
    }
    for (int pos = 17; pos < endPosition(); ++pos) {
        SCOPED_TRACE(pos);
        const QTextCharFormat f = formatAt(pos);
        EXPECT_EQ(f.foreground().color(), QColor(0, 128, 0));
        EXPECT_NE(f.fontWeight(), QFont::Bold);
        EXPECT_NE(f.fontPointSize(), 14);
    }
}

TEST_F(FaceRichEditTest, AMessageWithoutFaceNameOrSizeTakesTheCurrentFormat) {
    QTextCharFormat current;
    current.setFontItalic(true);
    current.setForeground(QColor(0, 100, 0));
    edit.setCurrentCharFormat(current);
    edit.appendColoured("bob: ", QColor(0, 0, 255));

    store::ChatMessage noFace = message("one");
    noFace.size = 14;
    noFace.colour = 0x000000FF;
    noFace.effects = 1;
    edit.showMessage(noFace);
    store::ChatMessage noSize = message("two");
    noSize.faceName = "Arial";
    noSize.colour = 0x000000FF;
    noSize.effects = 1;
    edit.showMessage(noSize);

    EXPECT_EQ(edit.textWithCodes(), "bob: onetwo");
    for (int pos = 5; pos < endPosition(); ++pos) {
        SCOPED_TRACE(pos);
        const QTextCharFormat f = formatAt(pos);
        EXPECT_TRUE(f.fontItalic());
        EXPECT_EQ(f.foreground().color(), QColor(0, 100, 0));  // not the header's blue
        EXPECT_NE(f.fontWeight(), QFont::Bold);
        EXPECT_NE(f.fontPointSize(), 14);
    }
}

TEST_F(FaceRichEditTest, ShowingAMessageInTheInputBoxLeavesItEditable) {
    edit.setEditable(true);
    edit.showMessage(message("draft /:D"));
    EXPECT_FALSE(edit.isReadOnly());
    EXPECT_EQ(edit.textWithCodes(), "draft /:D");
    EXPECT_EQ(edit.textCursor().position(), endPosition());
}

// Stored message formats to Qt's and back.

TEST(MessageFormat, AFormatSurvivesTheRoundTripThroughAStoredMessage) {
    QTextCharFormat f;
    f.setFontFamilies({QString::fromUtf8("宋体")});
    f.setFontPointSize(14);
    f.setForeground(QColor(0x12, 0x34, 0x56));
    f.setFontWeight(QFont::Bold);
    f.setFontItalic(true);
    store::ChatMessage m;
    setFormatOf(m, f);
    EXPECT_EQ(m.faceName, text::toGbk("宋体"));
    EXPECT_EQ(m.size, 14);
    EXPECT_EQ(m.colour, 0x00563412u);  // COLORREF: red in the low byte
    EXPECT_EQ(m.effects, kEffectBold | kEffectItalic);

    const QTextCharFormat back = charFormatOf(m);
    EXPECT_EQ(back.fontFamilies().toStringList(), QStringList{QString::fromUtf8("宋体")});
    EXPECT_EQ(back.fontPointSize(), 14);
    EXPECT_EQ(back.foreground().color(), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(back.fontWeight(), QFont::Bold);
    EXPECT_TRUE(back.fontItalic());
    EXPECT_FALSE(back.fontUnderline());

    m.effects = kEffectUnderline;
    EXPECT_EQ(charFormatOf(m).fontWeight(), QFont::Normal);
    EXPECT_TRUE(charFormatOf(m).fontUnderline());
}

TEST(MessageFormat, WithoutFaceNameOrSizeTheFormatSetsNothing) {
    store::ChatMessage m;
    m.faceName = "Arial";
    m.colour = 0xFF;
    m.effects = kEffectBold;
    EXPECT_TRUE(charFormatOf(m).properties().isEmpty());  // size 0
    m.size = 12;
    m.faceName.clear();
    EXPECT_TRUE(charFormatOf(m).properties().isEmpty());
    m.faceName = std::string(40, 'F');
    EXPECT_EQ(charFormatOf(m).fontFamilies().toStringList(), QStringList{QString(32, 'F')});
}

TEST(MessageFormat, AFaceNameIsCutToTwentyBytesWithoutSplittingACharacter) {
    store::ChatMessage m;
    QTextCharFormat f;
    f.setFontPointSize(9);
    // Eleven double-byte characters, then one ASCII letter in front of ten.
    f.setFontFamilies({QString::fromUtf8("微软雅黑微软雅黑微软雅")});
    setFormatOf(m, f);
    EXPECT_EQ(m.faceName, text::toGbk("微软雅黑微软雅黑微软"));
    f.setFontFamilies({QString::fromUtf8("a微软雅黑微软雅黑微软")});
    setFormatOf(m, f);
    EXPECT_EQ(m.faceName, text::toGbk("a微软雅黑微软雅黑微"));
}

TEST(MessageFormat, StoredSizesStayWithinOneTo255Points) {
    store::ChatMessage m;
    QTextCharFormat f;
    f.setFontFamilies({"Arial"});
    f.setFontPointSize(300);
    setFormatOf(m, f);
    EXPECT_EQ(m.size, 255);
    f.setFontPointSize(0.3);
    setFormatOf(m, f);
    EXPECT_EQ(m.size, 1);
    f.setFontPointSize(10.6);
    setFormatOf(m, f);
    EXPECT_EQ(m.size, 11);
    // Unset, the default font's size is stored rather than nothing.
    setFormatOf(m, QTextCharFormat());
    EXPECT_GE(m.size, 1);
    EXPECT_FALSE(m.faceName.empty());
}

// Links in shown text.

TEST(OpenableLink, OnlyWebAndMailLinksAreOpened) {
    EXPECT_TRUE(isOpenableLink(QUrl("http://example.com/a?b=c")));
    EXPECT_TRUE(isOpenableLink(QUrl("HTTPS://example.com")));
    EXPECT_TRUE(isOpenableLink(QUrl("mailto:bob@example.org")));
    EXPECT_FALSE(isOpenableLink(QUrl("file:///etc/passwd")));
    EXPECT_FALSE(isOpenableLink(QUrl("javascript:alert(1)")));
    EXPECT_FALSE(isOpenableLink(QUrl("ftp://example.com/x")));
    EXPECT_FALSE(isOpenableLink(QUrl("zemra://1000")));
    EXPECT_FALSE(isOpenableLink(QUrl()));
    EXPECT_FALSE(isOpenableLink(QUrl("http:")));
    EXPECT_FALSE(isOpenableLink(QUrl("mailto:")));
}

class LinkTest : public FaceRichEditTest {
  protected:
    void SetUp() override {
        FaceRichEditTest::SetUp();
        // Opened links land here instead of in a browser.
        for (const char* scheme : {"http", "https", "mailto", "file", "javascript"}) {
            QDesktopServices::setUrlHandler(scheme, &opened, "setSource");
        }
    }
    void TearDown() override {
        for (const char* scheme : {"http", "https", "mailto", "file", "javascript"}) {
            QDesktopServices::unsetUrlHandler(scheme);
        }
    }

    // Every link in the document: its text and where it points.
    QList<QPair<QString, QString>> links() const {
        QList<QPair<QString, QString>> out;
        for (QTextBlock b = edit.document()->begin(); b.isValid(); b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                if (f.isAnchor()) out.append({it.fragment().text(), f.anchorHref()});
            }
        }
        return out;
    }

    void clickAt(int pos) {
        QTextCursor c(edit.document());
        c.setPosition(pos);
        const QPoint at = edit.cursorRect(c).center() + QPoint(2, 0);
        QTest::mouseClick(edit.viewport(), Qt::LeftButton, {}, at);
    }

    QTextBrowser opened;
};

TEST_F(LinkTest, WebAndMailAddressesInShownTextBecomeLinksOtherSchemesDoNot) {
    edit.showMessage(
        message("see www.example.com/a, or https://x.org/p?q=1. "
                "mail mailto:bob@example.org; not file:///etc/passwd ftp://y.org"));
    const QList<QPair<QString, QString>> expected = {
        {"www.example.com/a", "http://www.example.com/a"},
        {"https://x.org/p?q=1", "https://x.org/p?q=1"},
        {"mailto:bob@example.org", "mailto:bob@example.org"},
    };
    EXPECT_EQ(links(), expected);
}

TEST_F(LinkTest, TheInputBoxMakesNoLinks) {
    edit.setEditable(true);
    edit.insertTextWithPictures("http://example.com");
    EXPECT_TRUE(links().isEmpty());
}

TEST_F(LinkTest, ClickingAWebLinkOpensItAndReportsIt) {
    QSignalSpy reported(&edit, &CFaceRichEdit::linkOpened);
    edit.showMessage(message("go to http://example.com/x now"));
    clickAt(12);
    ASSERT_EQ(reported.count(), 1);
    EXPECT_EQ(reported.at(0).at(0).toUrl(), QUrl("http://example.com/x"));
    EXPECT_EQ(opened.source(), QUrl("http://example.com/x"));
}

TEST_F(LinkTest, ClickingAScriptOrFileLinkOpensNothing) {
    QSignalSpy reported(&edit, &CFaceRichEdit::linkOpened);
    edit.insertHtml(
        "<a href=\"javascript:alert(1)\">script</a> "
        "<a href=\"file:///etc/passwd\">file</a>");
    ASSERT_EQ(links().size(), 2);
    clickAt(2);
    clickAt(9);
    EXPECT_EQ(reported.count(), 0);
    EXPECT_TRUE(opened.source().isEmpty());
}

}  // namespace
}  // namespace zemra::client::ui
