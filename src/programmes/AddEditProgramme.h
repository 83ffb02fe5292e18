#pragma once

#include "programmes/Programmes.h"
#include "widgets/AppWindow.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The programme editor: a new programme, a change to one, or a copy of one,
// as the program-wide currentProgrammeID and isDuplicate say.
class AddEditProgramme final : public AppWindow
{
    Q_OBJECT

public:
    explicit AddEditProgramme(Navigation &navigator, QWidget *parent = nullptr);

    void load() override;

protected:
    // Back to the programme list.
    void showAfresh(const store::Failure &gone) override;
    // The boxes as the programme is stored now, after someone else changed it.
    void showAsNow(const store::Failure &conflict) override;
    // Ended when its channel is deleted elsewhere.
    void refreshFromStore() override;
    NameReader parentNameReader() const override;

private:
    void saveProgramme();
    void cancel();
    void chooseCategory(const QString &category);
    void forgetProgramme();

    // The programme as loaded: to name it should another program delete it,
    // and to tell whether someone else changed it before the save.
    programmes::ProgrammeRow m_stored;

    QLabel *m_title;
    QLineEdit *m_programmeName;
    QLineEdit *m_startDate;
    QLineEdit *m_startTime;
    QLineEdit *m_duration;
    QLineEdit *m_synopsis;
    QComboBox *m_category;
    QPushButton *m_saveProgramme;
    QPushButton *m_cancel;
};
