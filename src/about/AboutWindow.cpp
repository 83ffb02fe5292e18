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

    m_makerName =
        label(QStringLiteral("lblTitle"), QStringLiteral("  Brackenfold New Media"), this);
    m_makerName->setFont(tahoma(18));

    m_icon = label(QStringLiteral("imgIcon"), QString(), this);
    m_icon->setFixedSize(32, 32);
    m_icon->setPixmap(programIcon().pixmap(32, 32));

    m_productName = label(QStringLiteral("lblInfo_1"), QStringLiteral("Quorvel"), this);
    m_productName->setFont(tahoma(36, true));

    // Built from the program's own version each time the window opens.
    m_version = label(
        QStringLiteral("lblVersion"),
        versionLine(QUORVEL_VERSION_MAJOR, QUORVEL_VERSION_MINOR, QUORVEL_VERSION_PATCH), this);

    m_productLink = linkLabel(QStringLiteral("lblProduct"), QStringLiteral("Brackenfold Online"));
    m_productLink->setProperty(tagProperty, makerAddress);

    m_guideLink = linkLabel(QStringLiteral("Label4"), QStringLiteral("DigiGuide"));
    m_trademarkText =
        label(QStringLiteral("Label3"), QStringLiteral("is a registered Trademark of"), this);
    m_guideMakerLink = linkLabel(QStringLiteral("Label5"), QStringLiteral("GipsyMedia Ltd"));

    m_thanks = label(QStringLiteral("Label2"),
                     QStringLiteral("With thanks to everyone who sent listings, ideas and bug "
                                    "reports,\nand to the DigiGuide community for testing "
                                    "this beta release."),
                     this);

    m_legalWarning = new QPlainTextEdit(this);
    m_legalWarning->setObjectName(QStringLiteral("txtSpecialCopyright"));
    m_legalWarning->setReadOnly(true);
    m_legalWarning->setAccessibleName(QStringLiteral("Legal notice"));
    m_legalWarning->setPlainText(
        QStringLiteral("Warning: this program is protected by copyright law and international "
                       "treaties. Unauthorised copying or distribution of this program, or of "
                       "any part of it, may result in severe civil and criminal penalties and "
                       "will be prosecuted to the full extent of the law."));
    m_legalWarning->setFixedSize(440, 72);

    m_copyrightLink =
        linkLabel(QStringLiteral("lblCopyright"),
                  QStringLiteral("Copyright \u00A9 Brackenfold New Media. All rights reserved."));
    m_copyrightLink->setProperty(tagProperty, makerAddress);
    m_addressLink =
        linkLabel(QStringLiteral("lblURL"), QStringLiteral("www.brackenfold.example.com"));
    m_addressLink->setProperty(tagProperty, makerAddress);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setDefault(true);
    m_ok->setMinimumWidth(88);

    // Decoration: a two-coloured rule under the maker's name, a frame with a
    // coloured edge around the product block, a dotted line and a plain one.
    auto *ruleNavy = band(QStringLiteral("Label1"), bandNavy, this);
    ruleNavy->setFixedHeight(4);
    auto *ruleOrange = band(QStringLiteral("lblDescription"), bandOrange, this);
    ruleOrange->setFixedHeight(2);
    auto *frameEdge = band(QStringLiteral("lblInfo_4"), bandOrange, this);
    frameEdge->setFixedWidth(6);
    auto *dottedLine = label(QStringLiteral("lblDotLine"), QString(400, u'.'), this);
    dottedLine->setFont(QFont(QStringLiteral("Times New Roman"), 8));
    dottedLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    dottedLine->setForegroundRole(QPalette::Mid);
    auto *productFrameBox = new QFrame(this);
    productFrameBox->setObjectName(QStringLiteral("shpRect"));
    productFrameBox->setFrameShape(QFrame::Box);
    productFrameBox->setForegroundRole(QPalette::Mid);
    auto *plainLine = new QFrame(this);
    plainLine->setObjectName(QStringLiteral("Line1"));
    plainLine->setFrameShape(QFrame::HLine);
    plainLine->setFrameShadow(QFrame::Sunken);

    auto *nameRow = new QHBoxLayout;
    nameRow->addWidget(m_icon, 0, Qt::AlignVCenter);
    nameRow->addSpacing(8);
    nameRow->addWidget(m_productName);
    nameRow->addStretch();

    auto *trademarkRow = new QHBoxLayout;
    trademarkRow->setSpacing(4);
    trademarkRow->addWidget(m_guideLink);
    trademarkRow->addWidget(m_trademarkText);
    trademarkRow->addWidget(m_guideMakerLink);
    trademarkRow->addStretch();

    auto *product = new QVBoxLayout;
    product->setContentsMargins(12, 6, 12, 10);
    product->addLayout(nameRow);
    product->addWidget(m_version);
    product->addWidget(m_productLink, 0, Qt::AlignLeft);
    product->addSpacing(6);
    product->addLayout(trademarkRow);
    auto *productFrame = new QHBoxLayout(productFrameBox);
    productFrame->setContentsMargins(1, 1, 1, 1);
    productFrame->setSpacing(0);
    productFrame->addWidget(frameEdge);
    productFrame->addLayout(product);

    auto *okRow = new QHBoxLayout;
    okRow->addStretch();
    okRow->addWidget(m_ok);

    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_makerName);
    layout->setSpacing(6);
    auto *rule = new QVBoxLayout;
    rule->setSpacing(0);
    rule->addWidget(ruleNavy);
    rule->addWidget(ruleOrange);
    layout->addLayout(rule);
    layout->addWidget(productFrameBox);
    layout->addWidget(dottedLine);
    layout->addWidget(m_thanks);
    layout->addWidget(m_legalWarning);
    layout->addWidget(plainLine);
    layout->addWidget(m_copyrightLink, 0, Qt::AlignLeft);
    layout->addWidget(m_addressLink, 0, Qt::AlignLeft);
    layout->addLayout(okRow);

    setTabOrder(m_ok, m_legalWarning);
    m_ok->setFocus();

    connect(m_productLink, &ClickableLabel::clicked, this,
            [this] { openTaggedLink(m_productLink); });
    connect(m_copyrightLink, &ClickableLabel::clicked, this,
            [this] { openTaggedLink(m_copyrightLink); });
    connect(m_addressLink, &ClickableLabel::clicked, this,
            [this] { openTaggedLink(m_addressLink); });
    connect(m_guideLink, &ClickableLabel::clicked, this, [this] { openLink(guideAddress); });
    connect(m_guideMakerLink, &ClickableLabel::clicked, this,
            [this] { openLink(guideMakerAddress); });
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
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
