#include "schedule/GuideView.h"
#include "schedule/ScheduleWindow.h"
#include "support/WindowFixture.h"

#include <QAccessible>
#include <QAction>
#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QUndoStack>

namespace {

// Focus events the grid announces, as assistive technology would hear them.
QStringList announced;

void recordFocus(QAccessibleEvent *event)
{
    // An event about a child hands out the child itself.
    if (event->type() == QAccessible::Focus && event->child() >= 0) {
        if (QAccessibleInterface *block = event->accessibleInterface())
            announced << block->text(QAccessible::Name);
    }
}

// Three channels on one day: two programmes on the first, one on the third.
struct GuideFixture : WindowFixture
{
    qint32 project = db.addProject(u"Town Listings"_qs);
    qint32 one = db.addChannel(project, u"Town TV"_qs, u"101"_qs);
    qint32 two = db.addChannel(project, u"Town Radio"_qs, u"7"_qs);
    qint32 three = db.addChannel(project, u"Town Sport"_qs, u"9"_qs);
    qint32 news = add(one, u"18:00"_qs, u"30"_qs, u"Evening News"_qs, u"News"_qs);
    qint32 film = add(one, u"18:30"_qs, u"120"_qs, u"Big Film"_qs, u"Film"_qs);
    qint32 match = add(three, u"19:00"_qs, u"90"_qs, u"The Match"_qs, u"Sport"_qs);

    qint32 add(qint32 channel, const QString &start, const QString &duration, const QString &name,
               const QString &category)
    {
        return qint32(db.exec(u"INSERT INTO ProgrammeData (channelID, startDate, startTime, "
                              "duration, programmeName, category) VALUES (?, '2024-06-10', ?, ?, "
                              "?, ?)"_qs,
                              {channel, start, duration, name, category}));
    }

    ScheduleWindow *open()
    {
        AppWindow *projects = navigator.start();
        clickEntry(WindowFixture::control<EntryList>(projects, "projList"), 0);
        WindowFixture::control<QAction>(projects, "openSchedule")->trigger();
        auto *window = qobject_cast<ScheduleWindow *>(openWindow());
        if (window) {
            window->activateWindow();
            if (!QTest::qWaitForWindowActive(window))
                qWarning("the schedule window never became active");
            window->showGuide();
            window->guideView()->setFocus();
        }
        return window;
    }

    static QTableView *table(QWidget *w)
    {
        return WindowFixture::control<QTableView>(w, "scheduleTable");
    }

    static QString currentName(ScheduleWindow *w)
    {
        return table(w)->currentIndex().siblingAtColumn(schedule::Name).data().toString();
    }
};

} // namespace

class GuideWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { WindowFixture::closeAll(); }
    void showsTheTablesDay();
    void undo_showsInGrid();
    void click_selectsRowSwitchingChannel();
    void tableSelection_isOutlinedInGrid();
    void keyboard_movesBetweenBlocksAndAnnounces();
    void enterAndDoubleClick_editInTable();
    void dayKeys_moveTheDay();
    void exportImage_writesPngOfGivenWidth();
    void exportImage_svg();
    void print_opensPreviewWithoutWaiting();
};

void GuideWindowTest::showsTheTablesDay()
{
    GuideFixture f;
    ScheduleWindow *w = f.open();
    QVERIFY(w);
    QCOMPARE(w->guideDay(), QDate(2024, 6, 10));
    const guide::Layout &layout = w->guideView()->guideLayout();
    QCOMPARE(layout.channels.size(), 3);
    QCOMPARE(layout.blocks.size(), 3);
    // A programme stored later shows once the store has it.
    WindowFixture::control<QTabWidget>(w, "scheduleTabs")->setCurrentIndex(0);
    f.add(f.two, u"20:00"_qs, u"30"_qs, u"Late Show"_qs, u"Comedy"_qs);
    w->showGuide();
    QCOMPARE(w->guideView()->guideLayout().blocks.size(), 3);
    w->setGuideDay(QDate(2024, 6, 11));
    QCOMPARE(w->guideView()->guideLayout().blocks.size(), 0);
    w->setGuideDay(QDate(2024, 6, 10));
    QCOMPARE(w->guideView()->guideLayout().blocks.size(), 4);
}

void GuideWindowTest::undo_showsInGrid()
{
    // A change undone while the Guide is in view shows there at once.
    GuideFixture f;
    ScheduleWindow *w = f.open();
    QVERIFY(w);
    GuideView *view = w->guideView();
    view->setCurrentBlock(view->guideLayout().blockOf(f.news));
    QTest::keyClick(view, Qt::Key_Return);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, u"Late News"_qs);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(w->undoStack()->index(), 1);
    w->showGuide();
    const auto name = [view, &f] {
        return view->guideLayout().blocks.value(view->guideLayout().blockOf(f.news)).name;
    };
    QCOMPARE(name(), u"Late News"_qs);
    w->undoStack()->undo();
    QCOMPARE(name(), u"Evening News"_qs);
}

void GuideWindowTest::click_selectsRowSwitchingChannel()
{
    GuideFixture f;
    ScheduleWindow *w = f.open();
    QVERIFY(w);
    GuideView *view = w->guideView();
    const int match = view->guideLayout().blockOf(f.match);
    QVERIFY(match >= 0);
    view->setCurrentBlock(match);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->blockRect(match).center());
    QCOMPARE(w->channelID(), f.three);
    QCOMPARE(GuideFixture::currentName(w), u"The Match"_qs);

    const int film = view->guideLayout().blockOf(f.film);
    view->setCurrentBlock(film);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->blockRect(film).center());
    QCOMPARE(w->channelID(), f.one);
    QCOMPARE(GuideFixture::currentName(w), u"Big Film"_qs);
    QCOMPARE(GuideFixture::table(w)->selectionModel()->selectedRows().size(), 1);
    // A click that brings the focus from the table lands where it points.
    GuideFixture::table(w)->setFocus();
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
    const int match2 = view->guideLayout().blockOf(f.match);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->blockRect(match2).center());
    QCOMPARE(GuideFixture::currentName(w), u"The Match"_qs);
    view->setCurrentBlock(film);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->blockRect(film).center());
    QCOMPARE(GuideFixture::currentName(w), u"Big Film"_qs);

    // A click on the empty channel between chooses nothing.
    const QRect filmRect = view->blockRect(film);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      QPoint(filmRect.center().x(), filmRect.center().y() + filmRect.height()));
    QCOMPARE(w->channelID(), f.one);
    QCOMPARE(GuideFixture::currentName(w), u"Big Film"_qs);
}

void GuideWindowTest::tableSelection_isOutlinedInGrid()
{
    GuideFixture f;
    ScheduleWindow *w = f.open();
    QVERIFY(w);
    QTableView *table = GuideFixture::table(w);
    table->selectRow(1);
    QImage before = w->guideView()->viewport()->grab().toImage();
    table->selectRow(0);
    QImage after = w->guideView()->viewport()->grab().toImage();
    QVERIFY(before != after);
}

void GuideWindowTest::keyboard_movesBetweenBlocksAndAnnounces()
{
    GuideFixture f;
    ScheduleWindow *w = f.open();
    QVERIFY(w);
    GuideView *view = w->guideView();
    QVERIFY(view->hasFocus());
    announced.clear();
    // Events go out only where the platform has a bridge to assistive
    // technology; the offscreen platform of the tests has none.
    QAccessible::installUpdateHandler(recordFocus);
    const auto restore = qScopeGuard([] { QAccessible::installUpdateHandler(nullptr); });

    view->setCurrentBlock(view->guideLayout().blockOf(f.news));
    QTest::keyClick(view, Qt::Key_Right);
    QCOMPARE(GuideFixture::currentName(w), u"Big Film"_qs);
    QTest::keyClick(view, Qt::Key_Right); // the last of its channel: stays
    QCOMPARE(GuideFixture::currentName(w), u"Big Film"_qs);
    // Down skips the empty channel to the nearest block below.
    QTest::keyClick(view, Qt::Key_Down);
    QCOMPARE(w->channelID(), f.three);
    QCOMPARE(GuideFixture::currentName(w), u"The Match"_qs);
    QTest::keyClick(view, Qt::Key_Up);
    QCOMPARE(GuideFixture::currentName(w), u"Big Film"_qs);
    QTest::keyClick(view, Qt::Key_Left);
    QCOMPARE(GuideFixture::currentName(w), u"Evening News"_qs);
    if (QAccessible::isActive()) {
        QCOMPARE(announced.constLast(), u"Evening News, 18:00 to 18:30, News"_qs);
        QVERIFY(announced.contains(u"The Match, 19:00 to 20:30, Sport"_qs));
    }

    QAccessibleInterface *grid = QAccessible::queryAccessibleInterface(view);
    QVERIFY(grid);
    QCOMPARE(grid->childCount(), 3);
    QCOMPARE(grid->focusChild()->text(QAccessible::Name), u"Evening News, 18:00 to 18:30, News"_qs);
    QVERIFY(grid->focusChild()->state().focused);
}

void GuideWindowTest::enterAndDoubleClick_editInTable()
{
    GuideFixture f;
    ScheduleWindow *w = f.open();
    QVERIFY(w);
    GuideView *view = w->guideView();
    view->setCurrentBlock(view->guideLayout().blockOf(f.match));
    QTest::keyClick(view, Qt::Key_Return);
    auto *tabs = WindowFixture::control<QTabWidget>(w, "scheduleTabs");
    QCOMPARE(tabs->currentWidget(), GuideFixture::table(w));
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    QCOMPARE(editor->text(), u"The Match"_qs);
    QCOMPARE(GuideFixture::table(w)->currentIndex().column(), int(schedule::Name));
    QTest::keyClick(editor, Qt::Key_Escape);

    w->showGuide();
    const int news = view->guideLayout().blockOf(f.news);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->blockRect(news).center());
    QCOMPARE(tabs->currentWidget(), GuideFixture::table(w));
    editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    QCOMPARE(editor->text(), u"Evening News"_qs);
    QTest::keyClick(editor, Qt::Key_Escape);
}

void GuideWindowTest::dayKeys_moveTheDay()
{
    GuideFixture f;
    ScheduleWindow *w = f.open();
    QVERIFY(w);
    QTest::keyClick(w->guideView(), Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(w->guideDay(), QDate(2024, 6, 11));
    QTest::keyClick(w->guideView(), Qt::Key_PageUp, Qt::ControlModifier);
    QTest::keyClick(w->guideView(), Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(w->guideDay(), QDate(2024, 6, 9));
    QCOMPARE(WindowFixture::control<QDateEdit>(w, "guideDay")->date(), QDate(2024, 6, 9));
}

void GuideWindowTest::exportImage_writesPngOfGivenWidth()
{
    GuideFixture f;
    ScheduleWindow *w = f.open();
    QVERIFY(w);
    const QString path = f.db.directory() + u"/day"_qs;
    f.dialogs.answerSaveAs(path);
    f.dialogs.answerPrompt(u"1200"_qs);
    WindowFixture::control<QAction>(w, "exportGuideImage")->trigger();
    QVERIFY(f.dialogs.allAnswered());
    QCOMPARE(f.dialogs.asked().first().fileKind, Dialogs::FileKind::GuideImage);
    QCOMPARE(f.dialogs.asked().at(1).defaultAnswer, u"4000"_qs);
    const QImage image(path + u".png"_qs, "png");
    QCOMPARE(image.width(), 1200);
    QVERIFY(image.height() > 60);

    // A width that is no number is said so, and nothing is written.
    f.dialogs.answerSaveAs(f.db.directory() + u"/wide.png"_qs);
    f.dialogs.answerPrompt(u"wide"_qs);
    f.dialogs.expectError();
    WindowFixture::control<QAction>(w, "exportGuideImage")->trigger();
    QVERIFY(f.dialogs.allAnswered());
    QVERIFY(!QFile::exists(f.db.directory() + u"/wide.png"_qs));
}

void GuideWindowTest::exportImage_svg()
{
    GuideFixture f;
    ScheduleWindow *w = f.open();
    QVERIFY(w);
    const QString path = f.db.directory() + u"/day.svg"_qs;
    f.dialogs.answerSaveAs(path);
    WindowFixture::control<QAction>(w, "exportGuideImage")->trigger();
    QVERIFY(f.dialogs.allAnswered());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray svg = file.readAll();
    QVERIFY(svg.contains("<svg"));
    QVERIFY(svg.contains("The Match"));
}

void GuideWindowTest::print_opensPreviewWithoutWaiting()
{
    GuideFixture f;
    ScheduleWindow *w = f.open();
    QVERIFY(w);
    WindowFixture::control<QAction>(w, "printGuide")->trigger();
    auto *preview = w->findChild<QPrintPreviewDialog *>(u"guidePrintPreview"_qs);
    QVERIFY(preview);
    QVERIFY(preview->isVisible());
    preview->reject();
    QTRY_VERIFY(!w->findChild<QPrintPreviewDialog *>(u"guidePrintPreview"_qs));
}

QTEST_MAIN(GuideWindowTest)
#include "tst_guide_window.moc"
