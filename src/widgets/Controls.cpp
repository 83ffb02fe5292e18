#include "widgets/Controls.h"

#include "widgets/AppWindow.h"
#include "widgets/EntryList.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

QPushButton *commandButton(const QString &name, const QString &caption, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QHBoxLayout *buttonRow(const QList<QPushButton *> &buttons, const QList<int> &shares)
{
    const auto share = [&](qsizetype i) {
        return i < shares.size() ? shares.at(i) : 1;
    };
    // The widest caption per share sets every minimum, so that the minimums
    // keep the proportions too and the layout never has to break them.
    int perShare = 0;
    for (qsizetype i = 0; i < buttons.size(); ++i)
        perShare = qMax(perShare, (buttons.at(i)->sizeHint().width() + share(i) - 1) / share(i));
    auto *row = new QHBoxLayout;
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        QPushButton *button = buttons.at(i);
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        button->setMinimumWidth(perShare * share(i));
        row->addWidget(button, share(i));
    }
    return row;
}

QLineEdit *textBox(const QString &name, QWidget *parent)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    // QLineEdit stops at 32,767 characters by default; addresses and synopses
    // are kept whole.
    box->setMaxLength(std::numeric_limits<int>::max());
    return box;
}

QLabel *buddyLabel(const QString &name, const QString &caption, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setBuddy(buddy);
    return label;
}

EntryList *entryList(const QString &name, const QString &accessibleName, QWidget *parent)
{
    auto *list = new EntryList(parent);
    list->setObjectName(name);
    list->setFont(tahoma(9.75));
    list->setAccessibleName(accessibleName);
    return list;
}

QLabel *titleLabel(const QString &name, const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setFont(tahoma(20.25));
    return label;
}
