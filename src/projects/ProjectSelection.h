#pragma once

#include "widgets/AppWindow.h"

#include <optional>

class ClickableLabel;
class EntryList;
class QAction;
class QLabel;
class QPushButton;
class QVBoxLayout;

// The start-up window: the list of projects and the top-level commands.
class ProjectSelection final : public AppWindow
{
    Q_OBJECT

public:
    explicit ProjectSelection(Navigation &navigator, QWidget *parent = nullptr);

    void load() override;
    // Fills the list afresh; nothing is selected afterwards.
    void projectList();

private:
    void setSelectionButtonsEnabled(bool enabled);

    void newProject();
    void renameProject();
    void deleteProject();
    void loadProject();
    void exportChannelData();
    void exportProgrammeData();

    QLabel *m_title;
    ClickableLabel *m_image;
    EntryList *m_projList;
    QPushButton *m_newProj;
    QPushButton *m_delProj;
    QPushButton *m_loadProj;
    QPushButton *m_renameProject;
    QPushButton *m_exportProgrammeDatatoXML;
    QPushButton *m_exportChannelDataToDGC;
    QPushButton *m_exitQuorvel;

    // The File menu with the XMLTV guide commands (ProjectSelectionXmltv.cpp).
    // A menu bar keeps them apart from the window's own buttons and layout.
    void addXmltvMenu(QVBoxLayout *layout);
    void exportXmltv();
    void importXmltv();
    QAction *m_exportXMLTV = nullptr;
    QAction *m_importXMLTV = nullptr;
};
