#include "grid/GridTab.h"

#include "grid/GridLayout.h"
#include "grid/GridPainter.h"
#include "grid/GridView.h"
#include "store/Module1.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"

#include <QAction>
#include <QBoxLayout>
#include <QDateEdit>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStyleOption>
#include <QToolButton>

namespace {

// The Day box: a date typed in (year first, the weekday after it for the
// eye), or chosen from its calendar, which F4 or Alt+Down opens as a combo
// box's list opens.
class DayEdit final : public QDateEdit
{
public:
    explicit DayEdit(QWidget *parent) : QDateEdit(parent)
    {
        setCalendarPopup(true);
        setDisplayFormat(QStringLiteral("yyyy-MM-dd ddd"));
        // The day is read once a typed date is whole, not at every digit.
        setKeyboardTracking(false);
    }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        const bool opens = event->key() == Qt::Key_F4 ||
                           (event->key() == Qt::Key_Down && event->modifiers() & Qt::AltModifier);
        if (!opens || isReadOnly())
            return QDateEdit::keyPressEvent(event);
        // The calendar opens only from a press on the box's arrow.
        QStyleOptionComboBox combo;
        combo.initFrom(this);
        combo.editable = true;
        combo.subControls = QStyle::SC_All;
        const QPoint arrow =
            style()
                ->subControlRect(QStyle::CC_ComboBox, &combo, QStyle::SC_ComboBoxArrow, this)
                .center();
        QMouseEvent press(QEvent::MouseButtonPress, arrow, mapToGlobal(arrow), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QDateEdit::mousePressEvent(&press);
        event->accept();
    }
};

} // namespace

GridTab::GridTab(const Module1 &state, Dialogs &dialogs, const QTimeZone &zone, QWidget *parent)
    : QWidget(parent), m_state(state), m_dialogs(dialogs), m_zone(zone)
{
    setObjectName(QStringLiteral("guidePage"));

    m_day = new DayEdit(this);
    m_day->setObjectName(QStringLiteral("guideDay"));
    m_day->setDate(QDate::currentDate());
    QLabel *dayLabel =
        buddyLabel(QStringLiteral("guideDayLabel"), QStringLiteral("&Day:"), m_day, this);

    auto dayButton = [&](const QString &name, const QString &caption, const QString &tip,
                         QKeySequence key, int days) {
        auto *button = new QToolButton(this);
        button->setObjectName(name);
        button->setText(caption);
        button->setToolTip(
            QStringLiteral("%1 (%2)").arg(tip, key.toString(QKeySequence::NativeText)));
        button->setAccessibleName(tip);
        connect(button, &QToolButton::clicked, this, [this, days] { setDay(day().addDays(days)); });
        auto *action = new QAction(tip, this);
        action->setObjectName(name + QStringLiteral("Action"));
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
        connect(action, &QAction::triggered, button, &QToolButton::click);
        return button;
    };
    QToolButton *previous =
        dayButton(QStringLiteral("guidePreviousDay"), QStringLiteral("\u25C0"),
                  QStringLiteral("Previous day"), QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1);
    QToolButton *next =
        dayButton(QStringLiteral("guideNextDay"), QStringLiteral("\u25B6"),
                  QStringLiteral("Next day"), QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1);

    m_hours = new QSpinBox(this);
    m_hours->setObjectName(QStringLiteral("guideHours"));
    m_hours->setRange(1, 25);
    m_hours->setValue(6);
    m_hours->setSuffix(QStringLiteral(" h"));
    QLabel *hoursLabel = buddyLabel(QStringLiteral("guideHoursLabel"),
                                    QStringLiteral("&Hours on screen:"), m_hours, this);

    m_view = new GridView(this);
    m_view->setHoursOnScreen(m_hours->value());

    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(6, 4, 6, 4);
    bar->addWidget(dayLabel);
    bar->addWidget(previous);
    bar->addWidget(m_day);
    bar->addWidget(next);
    bar->addSpacing(16);
    bar->addWidget(hoursLabel);
    bar->addWidget(m_hours);
    bar->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(bar);
    layout->addWidget(m_view, 1);

    connect(m_day, &QDateEdit::dateChanged, this, [this] {
        m_stale = true;
        emit dayChanged();
    });
    connect(m_hours, &QSpinBox::valueChanged, m_view, &GridView::setHoursOnScreen);
    connect(m_view, &GridView::programmeChosen, this, &GridTab::programmeChosen);
    connect(m_view, &GridView::programmeActivated, this, &GridTab::programmeActivated);
}

QDate GridTab::day() const
{
    return m_day->date();
}

void GridTab::setDay(QDate day)
{
    if (day.isValid())
        m_day->setDate(day);
}

bool GridTab::refresh()
{
    if (!m_stale)
        return false;
    m_stale = false;
    const QDate shown = day();
    auto loaded =
        grid::loadDay(m_state.connectionString, m_state.currentProjectID.value_or(0), shown);
    if (!loaded)
        emit failed(loaded.failure());
    m_view->setLayout(
        grid::layOut(loaded ? loaded.value() : QList<grid::Channel>(), shown, m_zone));
    return true;
}

void GridTab::setSelected(const QSet<qint32> &programmeIDs)
{
    m_view->setSelected(programmeIDs);
}

void GridTab::setCurrentProgramme(qint32 programmeID)
{
    const int block = m_view->dayLayout().blockOf(programmeID);
    if (block >= 0)
        m_view->setCurrentBlock(block);
}

QString GridTab::heading() const
{
    const auto name =
        grid::projectName(m_state.connectionString, m_state.currentProjectID.value_or(0));
    return grid::heading(name ? name.value() : QString(), day());
}

QString GridTab::suggestedFileName(const QString &extension) const
{
    const auto name =
        grid::projectName(m_state.connectionString, m_state.currentProjectID.value_or(0));
    // "Town TV 2024-06-10.png", without the characters file systems refuse.
    QString stem = name ? name.value().simplified() : QString();
    static const QRegularExpression refused(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]"));
    stem.replace(refused, QStringLiteral("-"));
    if (!stem.isEmpty())
        stem += u' ';
    return stem + day().toString(Qt::ISODate) + extension;
}

// The questions and the preview stand over the window, as its other dialogs do.
void GridTab::exportImage()
{
    QWidget *owner = window();
    const auto chosen =
        m_dialogs.saveAs(owner, Dialogs::FileKind::GuideImage,
                         {{QStringLiteral("PNG image (*.png)"), QStringLiteral("*.png")},
                          {QStringLiteral("SVG drawing (*.svg)"), QStringLiteral("*.svg")}},
                         1, suggestedFileName(QStringLiteral(".png")));
    if (!chosen)
        return;
    QString path = *chosen;
    if (!grid::knownPictureKind(path))
        path += QStringLiteral(".png");
    int width = 4000;
    if (path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) {
        const QString answer = m_dialogs.prompt(
            owner, QStringLiteral("Width of the picture in pixels (100 to 30000):"),
            QStringLiteral("Export Guide Image"), QStringLiteral("4000"));
        if (answer.isEmpty())
            return;
        bool number = false;
        width = answer.trimmed().toInt(&number);
        if (!number || width < 100 || width > 30000) {
            m_dialogs.showError(
                owner,
                QStringLiteral("\u201C%1\u201D is not a width. Give a number of pixels from 100 "
                               "to 30000.")
                    .arg(answer),
                owner->windowTitle());
            return;
        }
    }
    const QString problem =
        grid::writePicture(m_view->dayLayout(), heading(), path, width, m_state.connectionString);
    if (!problem.isEmpty()) {
        m_dialogs.showError(owner,
                            QStringLiteral("The guide image could not be written to %1.\n\n%2")
                                .arg(QDir::toNativeSeparators(path), problem),
                            owner->windowTitle());
        return;
    }
    emit message(QStringLiteral("Guide image written to %1").arg(QDir::toNativeSeparators(path)),
                 8000);
}

void GridTab::print()
{
    const QString title = heading();
    // The printer lives as long as its preview; the preview is opened, not
    // run, so the window goes on and a test can look at it and close it.
    auto *printer = new QPrinter(QPrinter::HighResolution);
    printer->setPageOrientation(QPageLayout::Landscape);
    printer->setDocName(title);
    auto *preview = new QPrintPreviewDialog(printer, window());
    preview->setObjectName(QStringLiteral("guidePrintPreview"));
    preview->setWindowTitle(QStringLiteral("Print Guide"));
    preview->setAttribute(Qt::WA_DeleteOnClose);
    connect(preview, &QObject::destroyed, preview, [printer] { delete printer; });
    const grid::Layout layout = m_view->dayLayout();
    // On paper as many hours across a page as on screen.
    const int hours = m_hours->value();
    connect(preview, &QPrintPreviewDialog::paintRequested, preview,
            [layout, title, hours](QPrinter *p) {
                QPainter painter(p);
                grid::paintPages(painter, *p, grid::Picture(layout), title, hours);
            });
    preview->open();
}
