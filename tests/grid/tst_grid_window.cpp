#include "grid/GridTab.h"
#include "grid/GridView.h"
#include "support/Files.h"
#include "support/ScheduleFixture.h"

#include <QAccessible>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QScrollBar>
#include <QTabWidget>
#include <QUndoStack>

namespace {

// Three channels on one day: two programmes on the first, one on the third.
struct GridFixture : ScheduleFixture
{
    qint32 three = db.addChannel(project, u"Town Sport"_qs, u"9"_qs);
    qint32 news = add(channel, u"2024-06-10|18:00|30|Evening News|News"_qs);
    qint32 film = add(channel, u"2024-06-10|18:30|120|Big Film|Film"_qs);
    qint32 match = add(three, u"2024-06-10|19:00|90|The Match|Sport"_qs);

    ScheduleWindow *openGuide()
    {
        ScheduleWindow *window = open();
        if (window) {
            window->showGuide();
            window->grid()->view()->setFocus();
        }
        return window;
    }

    static QString currentName(ScheduleWindow *w)
    {
        return table(w)->currentIndex().siblingAtColumn(schedule::Name).data().toString();
    }

    // Makes the programme's block current, then clicks it (twice if asked).
    static void clickBlock(GridView *view, qint32 programmeID, bool twice = false)
    {
        const int block = view->dayLayout().blockOf(programmeID);
        QVERIFY(block >= 0);
        view->setCurrentBlock(block);
        const QPoint at = view->blockRect(block).center();
        if (twice)
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        else
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    }

    static QLineEdit *editor() { return qobject_cast<QLineEdit *>(QApplication::focusWidget()); }
};

} // namespace

class GridWindowTest : public QObject
{
    Q_OBJECT

private slots:
    // Every test starts on the Guide of the fixture's day, with the focus in it.
    void init()
    {
        f = std::make_unique<GridFixture>();
        w = f->openGuide();
        QVERIFY(w);
        view = w->grid()->view();
    }
    void cleanup() { f.reset(); }

    void showsTheTablesDayAndMovesIt()
    {
        QCOMPARE(w->grid()->day(), QDate(2024, 6, 10));
        QCOMPARE(view->dayLayout().channels.size(), 3);
        QCOMPARE(view->dayLayout().blocks.size(), 3);
        // A programme stored later shows once the day is read again.
        f->add(f->other, u"2024-06-10|20:00|30|Late Show|Comedy"_qs);
        w->grid()->setDay(QDate(2024, 6, 11));
        QCOMPARE(view->dayLayout().blocks.size(), 0);
        w->grid()->setDay(QDate(2024, 6, 10));
        QCOMPARE(view->dayLayout().blocks.size(), 4);
        // Ctrl+PageDown and Ctrl+PageUp move the day, the day field with it.
        view->setFocus();
        QTest::keyClick(view, Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(w->grid()->day(), QDate(2024, 6, 11));
        QTest::keyClick(view, Qt::Key_PageUp, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_PageUp, Qt::ControlModifier);
        QCOMPARE(w->grid()->day(), QDate(2024, 6, 9));
        auto *dayBox = f->control<QDateEdit>(w, "guideDay");
        QCOMPARE(dayBox->date(), QDate(2024, 6, 9));
        // The Day box takes a typed date, and opens its calendar from the keyboard.
        dayBox->setFocus();
        dayBox->selectAll();
        QTest::keyClicks(dayBox, u"2024-06-12"_qs);
        QTest::keyClick(dayBox, Qt::Key_Return);
        QCOMPARE(w->grid()->day(), QDate(2024, 6, 12));
        for (const auto &[key, modifiers] :
             {std::pair{Qt::Key_F4, Qt::NoModifier}, std::pair{Qt::Key_Down, Qt::AltModifier}}) {
            QTest::keyClick(dayBox, key, modifiers);
            QTRY_VERIFY(dayBox->calendarWidget()->isVisible());
            dayBox->calendarWidget()->window()->close();
        }
    }

    void mouseAndKeyboard_chooseAndEditBlocksInTheirRows()
    {
        f->clickBlock(view, f->match);
        QCOMPARE(w->channelID(), f->three);
        QCOMPARE(f->currentName(w), u"The Match"_qs);
        f->clickBlock(view, f->film);
        QCOMPARE(w->channelID(), f->channel);
        QCOMPARE(f->currentName(w), u"Big Film"_qs);
        QCOMPARE(f->table(w)->selectionModel()->selectedRows().size(), 1);
        // A click on the empty channel between chooses nothing.
        const QRect film = view->blockRect(view->dayLayout().blockOf(f->film));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          QPoint(film.center().x(), film.center().y() + film.height()));
        QCOMPARE(w->channelID(), f->channel);
        QCOMPARE(f->currentName(w), u"Big Film"_qs);

        // A click that brings the focus from the table lands where it points.
        f->table(w)->setFocus();
        view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
        const int match = view->dayLayout().blockOf(f->match);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->blockRect(match).center());
        QCOMPARE(f->currentName(w), u"The Match"_qs);

        // From the keyboard, starting at the first block.
        view->setCurrentBlock(view->dayLayout().blockOf(f->news));
        // Right twice: the last of its channel stays; Down skips the empty channel
        // to the nearest block below.
        const QList<std::pair<Qt::Key, QString>> moves = {{Qt::Key_Right, u"Big Film"_qs},
                                                          {Qt::Key_Right, u"Big Film"_qs},
                                                          {Qt::Key_Down, u"The Match"_qs},
                                                          {Qt::Key_Up, u"Big Film"_qs},
                                                          {Qt::Key_Left, u"Evening News"_qs}};
        for (const auto &[key, name] : moves) {
            QTest::keyClick(view, key);
            QCOMPARE(f->currentName(w), name);
            if (key == Qt::Key_Down)
                QCOMPARE(w->channelID(), f->three);
        }

        QAccessibleInterface *grid = QAccessible::queryAccessibleInterface(view);
        QVERIFY(grid);
        QCOMPARE(grid->childCount(), 3);
        QCOMPARE(grid->focusChild()->text(QAccessible::Name),
                 u"Evening News, Town TV, 18:00 to 18:30, News"_qs);
        QVERIFY(grid->focusChild()->state().focused);

        // Enter and a double-click edit the block's row in the table.
        auto *tabs = f->control<QTabWidget>(w, "scheduleTabs");
        view->setCurrentBlock(view->dayLayout().blockOf(f->match));
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(tabs->currentWidget(), f->table(w));
        QVERIFY(f->editor());
        QCOMPARE(f->editor()->text(), u"The Match"_qs);
        QCOMPARE(f->table(w)->currentIndex().column(), int(schedule::Name));
        QTest::keyClick(f->editor(), Qt::Key_Escape);

        w->showGuide();
        f->clickBlock(view, f->news, true);
        QCOMPARE(tabs->currentWidget(), f->table(w));
        QLineEdit *editor = f->editor();
        QVERIFY(editor);
        QCOMPARE(editor->text(), u"Evening News"_qs);
        editor->selectAll();
        QTest::keyClicks(editor, u"Late News"_qs);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(w->undoStack()->index(), 1);

        // A change undone while the Guide is in view shows there at once.
        w->showGuide();
        const auto name = [this] {
            return view->dayLayout().blocks.value(view->dayLayout().blockOf(f->news)).name;
        };
        QCOMPARE(name(), u"Late News"_qs);
        w->undoStack()->undo();
        QCOMPARE(name(), u"Evening News"_qs);
    }

    void picture_outlinesTheRowExportsPngOrSvgAndPreviewsPrint()
    {
        // The row chosen in the table is outlined in the grid.
        f->table(w)->selectRow(1);
        const QImage before = view->viewport()->grab().toImage();
        f->table(w)->selectRow(0);
        QVERIFY(before != view->viewport()->grab().toImage());

        // The painted legend is there for a screen reader too.
        QVERIFY(
            view->accessibleDescription().startsWith(u"Colours: News and current affairs; "_qs));

        const QString path = f->db.directory() + u"/day"_qs;
        f->dialogs.answerSaveAs(path);
        f->dialogs.answerPrompt(u"1200"_qs);
        f->control<QAction>(w, "exportGuideImage")->trigger();
        QCOMPARE(f->dialogs.asked().first().fileKind, Dialogs::FileKind::GuideImage);
        QCOMPARE(f->dialogs.asked().first().defaultAnswer, u"Town Listings 2024-06-10.png"_qs);
        QCOMPARE(f->dialogs.asked().at(1).defaultAnswer, u"4000"_qs);
        const QImage image(path + u".png"_qs, "png");
        QCOMPARE(image.width(), 1200);

        // A width that is no number is said so, and nothing is written.
        f->dialogs.answerSaveAs(f->db.directory() + u"/wide.png"_qs);
        f->dialogs.answerPrompt(u"wide"_qs);
        f->dialogs.expectError();
        f->control<QAction>(w, "exportGuideImage")->trigger();
        QVERIFY(!QFile::exists(f->db.directory() + u"/wide.png"_qs));

        // A drawing asks for no width.
        f->dialogs.answerSaveAs(path + u".svg"_qs);
        f->control<QAction>(w, "exportGuideImage")->trigger();
        QVERIFY(contents(path + u".svg"_qs).contains("The Match"));

        // The day the Guide shows is the day written, whatever the table's row.
        QTest::keyClick(view, Qt::Key_PageDown, Qt::ControlModifier);
        f->dialogs.answerSaveAs(path + u".next.svg"_qs);
        f->control<QAction>(w, "exportGuideImage")->trigger();
        QCOMPARE(w->grid()->day(), QDate(2024, 6, 11));
        const QByteArray next = contents(path + u".next.svg"_qs);
        QVERIFY(next.startsWith("<?xml") && !next.contains("The Match"));

        f->control<QAction>(w, "printGuide")->trigger();
        auto *preview = w->findChild<QPrintPreviewDialog *>(u"guidePrintPreview"_qs);
        QVERIFY(preview && preview->isVisible());
        preview->reject();
        QTRY_VERIFY(!w->findChild<QPrintPreviewDialog *>(u"guidePrintPreview"_qs));
    }

private:
    std::unique_ptr<GridFixture> f;
    ScheduleWindow *w = nullptr;
    GridView *view = nullptr;
};

QTEST_MAIN(GridWindowTest)
#include "tst_grid_window.moc"
