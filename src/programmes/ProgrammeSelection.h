#pragma once

#include "widgets/AppWindow.h"

class EntryList;
class QLabel;
class QPushButton;

// The programmes of the current channel in start order, and the commands
// that add, edit, duplicate and delete them.
class ProgrammeSelection final : public AppWindow
{
    Q_OBJECT

public:
    explicit ProgrammeSelection(Navigation &navigator, QWidget *parent = nullptr);

    void load() override;
    // Fills the list afresh; nothing is selected afterwards.
    void fillProgrammeList();

protected:
    void refreshFromStore() override;
    NameReader parentNameReader() const override;

private:
    void setSelectionButtonsEnabled(bool enabled);

    void addProgramme();
    void editProgramme();
    void duplicateProgramme();
    void deleteProgramme();
    void closeChannel();

    QLabel *m_title;
    EntryList *m_programmeList;
    QPushButton *m_addProgramme;
    QPushButton *m_deleteProgramme;
    QPushButton *m_editProgramme;
    QPushButton *m_duplicateProgramme;
    QPushButton *m_closeChannel;
};
