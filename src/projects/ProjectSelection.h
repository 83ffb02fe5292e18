#pragma once

#include "widgets/AppWindow.h"

#include <optional>

class ClickableLabel;
class EntryList;
class QAction;
class QLabel;
class QMenu;
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
    void fillProjectList();

protected:
    void refreshFromStore() override;

private:
    void setSelectionButtonsEnabled(bool enabled);

    void newProject();
    void renameProject();
    void deleteProject();
    void loadProject();
    void exportChannelData();
    void exportProgrammeData();

    QLabel *m_title;
    ClickableLabel *m_aboutPicture;
    EntryList *m_projectList;
    QPushButton *m_newProject;
    QPushButton *m_deleteProject;
    QPushButton *m_loadProject;
    QPushButton *m_renameProject;
    QPushButton *m_exportProgrammeXml;
    QPushButton *m_exportChannelFile;
    QPushButton *m_exit;

    // The File menu with the XMLTV guide commands and Exit
    // (ProjectSelectionXmltv.cpp). A menu bar keeps them apart from the
    // window's own buttons and layout.
    void addFileMenu(QVBoxLayout *layout);
    void exportXmltv();
    void importXmltv();
    QAction *m_exportXmltv = nullptr;
    QAction *m_importXmltv = nullptr;
    QAction *m_exitAction = nullptr;
    // The schedule editor, for the selected project; with none selected,
    // for the project the user last worked in (scheduleProject).
    void openSchedule();
    std::optional<qint32> scheduleProject() const;
    void offerLastProject();
    QAction *m_schedule = nullptr;

    // Which database the window works on (ProjectSelectionDatabase.cpp): a
    // server's, or the file beside the program; the title names any other.
    void addDatabaseActions(QMenu *file);
    void showDatabase();
    void connectToServer();
    void useLocalDatabase();
    QAction *m_connectToServer = nullptr;
    QAction *m_useLocalDatabase = nullptr;
};
