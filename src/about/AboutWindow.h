#pragma once

#include <QDialog>

class ClickableLabel;
class Navigation;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// "Version: 2.0 Beta - Build 0" for major 2, minor 0, revision 0.
QString versionLine(int major, int minor, int revision);

// The program's name and version, the maker and the links to the maker's
// and the guide application's web sites; opened modal over the project window.
class AboutWindow final : public QDialog
{
    Q_OBJECT

public:
    explicit AboutWindow(Navigation &navigator, QWidget *parent = nullptr);

private:
    ClickableLabel *linkLabel(const QString &name, const QString &caption);
    // Opens the address in the browser and ignores whether that worked: the
    // window stays open either way.
    void openLink(const QString &address);
    // The address a tagged label carries, read afresh at every click.
    void openTaggedLink(const ClickableLabel *link);

    Navigation &m_navigator;
    QLabel *m_makerName;
    QLabel *m_icon;
    QLabel *m_productName;
    QLabel *m_version;
    ClickableLabel *m_productLink;
    ClickableLabel *m_guideLink;
    QLabel *m_trademarkText;
    ClickableLabel *m_guideMakerLink;
    QLabel *m_thanks;
    QPlainTextEdit *m_legalWarning;
    ClickableLabel *m_copyrightLink;
    ClickableLabel *m_addressLink;
    QPushButton *m_ok;
};
