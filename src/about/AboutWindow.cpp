#include "about/AboutWindow.h"

#include "widgets/AppWindow.h"
#include "widgets/ClickableLabel.h"
#include "widgets/Dialogs.h"
#include "widgets/Navigation.h"
#include "widgets/ProgramIcon.h"

#include <QBoxLayout>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVariant>

namespace {

// The maker's site: the tag of the product, copyright and address labels.
const auto makerAddress = QStringLiteral("https://www.brackenfold.example.com/");
const auto guideAddress = QStringLiteral("https://www.digiguide.tv/");
const auto guideMakerAddress = QStringLiteral("https://www.gipsymedia.com/");

// Where a label keeps its address, so that it can be changed on the label alone.
const char tagProperty[] = "tag";

const auto bandNavy = QStringLiteral("#23324d");
const auto bandOrange = QStringLiteral("#f28c28");

QLabel *label(const QString &name, const QString &caption, QWidget *parent)
{
    auto *l = new QLabel(caption, parent);
    l->setObjectName(name);
    return l;
}

// An empty label that only shows its colour.
QLabel *band(const QString &name, const QString &colour, QWidget *parent)
{
    auto *l = label(name, QString(), parent);
    l->setAutoFillBackground(true);
    QPalette palette = l->palette();
    palette.setColor(QPalette::Window, QColor(colour));
    l->setPalette(palette);
    return l;
}

} // namespace

QString versionLine(int major, int minor, int revision)
{
    return QStringLiteral("Version: %1.%2 Beta - Build %3").arg(major).arg(minor).arg(revision);
}

AboutWindow::AboutWindow(Navigation &nav, QWidget *parent) : QDialog(parent), m_navigator(nav)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Quorvel"));
    setFont(tahoma(8.25));

    m_lblTitle = label(QStringLiteral("lblTitle"), QStringLiteral("  Brackenfold New Media"), this);
    m_lblTitle->setFont(tahoma(18));

    m_imgIcon = label(QStringLiteral("imgIcon"), QString(), this);
    m_imgIcon->setFixedSize(32, 32);
    m_imgIcon->setPixmap(programIcon().pixmap(32, 32));

    m_lblInfo1 = label(QStringLiteral("lblInfo_1"), QStringLiteral("Quorvel"), this);
    m_lblInfo1->setFont(tahoma(36, true));

    // Built from the program's own version each time the window opens.
    m_lblVersion = label(
        QStringLiteral("lblVersion"),
        versionLine(QUORVEL_VERSION_MAJOR, QUORVEL_VERSION_MINOR, QUORVEL_VERSION_PATCH), this);

    m_lblProduct = linkLabel(QStringLiteral("lblProduct"), QStringLiteral("Brackenfold Online"));
    m_lblProduct->setProperty(tagProperty, makerAddress);

    m_Label4 = linkLabel(QStringLiteral("Label4"), QStringLiteral("DigiGuide"));
    m_Label3 =
        label(QStringLiteral("Label3"), QStringLiteral("is a registered Trademark of"), this);
    m_Label5 = linkLabel(QStringLiteral("Label5"), QStringLiteral("GipsyMedia Ltd"));

    m_Label2 = label(QStringLiteral("Label2"),
                     QStringLiteral("With thanks to everyone who sent listings, ideas and bug "
                                    "reports,\nand to the DigiGuide community for testing "
                                    "this beta release."),
                     this);

    m_txtSpecialCopyright = new QPlainTextEdit(this);
    m_txtSpecialCopyright->setObjectName(QStringLiteral("txtSpecialCopyright"));
    m_txtSpecialCopyright->setReadOnly(true);
    m_txtSpecialCopyright->setAccessibleName(QStringLiteral("Legal notice"));
    m_txtSpecialCopyright->setPlainText(
        QStringLiteral("Warning: this program is protected by copyright law and international "
                       "treaties. Unauthorised copying or distribution of this program, or of "
                       "any part of it, may result in severe civil and criminal penalties and "
                       "will be prosecuted to the full extent of the law."));
    m_txtSpecialCopyright->setFixedSize(440, 72);

    m_lblCopyright =
        linkLabel(QStringLiteral("lblCopyright"),
                  QStringLiteral("Copyright \u00A9 Brackenfold New Media. All rights reserved."));
    m_lblCopyright->setProperty(tagProperty, makerAddress);
    m_lblURL = linkLabel(QStringLiteral("lblURL"), QStringLiteral("www.brackenfold.example.com"));
    m_lblURL->setProperty(tagProperty, makerAddress);

    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    m_cmdOK->setMinimumWidth(88);

    // Decoration: a two-coloured rule under the maker's name, a frame with a
    // coloured edge around the product block, a dotted line and a plain one.
    auto *Label1 = band(QStringLiteral("Label1"), bandNavy, this);
    Label1->setFixedHeight(4);
    auto *lblDescription = band(QStringLiteral("lblDescription"), bandOrange, this);
    lblDescription->setFixedHeight(2);
    auto *lblInfo4 = band(QStringLiteral("lblInfo_4"), bandOrange, this);
    lblInfo4->setFixedWidth(6);
    auto *lblDotLine = label(QStringLiteral("lblDotLine"), QString(400, u'.'), this);
    lblDotLine->setFont(QFont(QStringLiteral("Times New Roman"), 8));
    lblDotLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    lblDotLine->setForegroundRole(QPalette::Mid);
    auto *shpRect = new QFrame(this);
    shpRect->setObjectName(QStringLiteral("shpRect"));
    shpRect->setFrameShape(QFrame::Box);
    shpRect->setForegroundRole(QPalette::Mid);
    auto *Line1 = new QFrame(this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);

    auto *nameRow = new QHBoxLayout;
    nameRow->addWidget(m_imgIcon, 0, Qt::AlignVCenter);
    nameRow->addSpacing(8);
    nameRow->addWidget(m_lblInfo1);
    nameRow->addStretch();

    auto *trademarkRow = new QHBoxLayout;
    trademarkRow->setSpacing(4);
    trademarkRow->addWidget(m_Label4);
    trademarkRow->addWidget(m_Label3);
    trademarkRow->addWidget(m_Label5);
    trademarkRow->addStretch();

    auto *product = new QVBoxLayout;
    product->setContentsMargins(12, 6, 12, 10);
    product->addLayout(nameRow);
    product->addWidget(m_lblVersion);
    product->addWidget(m_lblProduct, 0, Qt::AlignLeft);
    product->addSpacing(6);
    product->addLayout(trademarkRow);
    auto *productFrame = new QHBoxLayout(shpRect);
    productFrame->setContentsMargins(1, 1, 1, 1);
    productFrame->setSpacing(0);
    productFrame->addWidget(lblInfo4);
    productFrame->addLayout(product);

    auto *okRow = new QHBoxLayout;
    okRow->addStretch();
    okRow->addWidget(m_cmdOK);

    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_lblTitle);
    layout->setSpacing(6);
    auto *rule = new QVBoxLayout;
    rule->setSpacing(0);
    rule->addWidget(Label1);
    rule->addWidget(lblDescription);
    layout->addLayout(rule);
    layout->addWidget(shpRect);
    layout->addWidget(lblDotLine);
    layout->addWidget(m_Label2);
    layout->addWidget(m_txtSpecialCopyright);
    layout->addWidget(Line1);
    layout->addWidget(m_lblCopyright, 0, Qt::AlignLeft);
    layout->addWidget(m_lblURL, 0, Qt::AlignLeft);
    layout->addLayout(okRow);

    setTabOrder(m_cmdOK, m_txtSpecialCopyright);
    m_cmdOK->setFocus();

    connect(m_lblProduct, &ClickableLabel::clicked, this, [this] { openTaggedLink(m_lblProduct); });
    connect(m_lblCopyright, &ClickableLabel::clicked, this,
            [this] { openTaggedLink(m_lblCopyright); });
    connect(m_lblURL, &ClickableLabel::clicked, this, [this] { openTaggedLink(m_lblURL); });
    connect(m_Label4, &ClickableLabel::clicked, this, [this] { openLink(guideAddress); });
    connect(m_Label5, &ClickableLabel::clicked, this, [this] { openLink(guideMakerAddress); });
    connect(m_cmdOK, &QPushButton::clicked, this, &QDialog::accept);
}

ClickableLabel *AboutWindow::linkLabel(const QString &name, const QString &caption)
{
    auto *link = new ClickableLabel(caption, this);
    link->setObjectName(name);
    QFont font = link->font();
    font.setUnderline(true);
    link->setFont(font);
    link->setForegroundRole(QPalette::Link);
    link->setCursor(Qt::PointingHandCursor);
    link->setAccessibleDescription(QStringLiteral("Opens a web page in your browser"));
    return link;
}

void AboutWindow::openLink(const QString &address)
{
    m_navigator.dialogs().openUrl(address, m_navigator.programDirectory());
}

void AboutWindow::openTaggedLink(const ClickableLabel *link)
{
    openLink(link->property(tagProperty).toString());
}
