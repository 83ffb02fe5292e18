#pragma once

#include <QString>

#include <QList>

class EntryList;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// The controls every window builds, each carrying the name the program
// knows it by, so that tests and assistive technology can find it.

// A button that does not take Enter for itself when another control has focus.
QPushButton *commandButton(const QString &name, const QString &caption, QWidget *parent);

// A row of buttons whose widths keep the proportions of `shares` (one size
// for all when none are given) at every window width, each wide enough for
// its caption.
QHBoxLayout *buttonRow(const QList<QPushButton *> &buttons, const QList<int> &shares = {});

// A one-line text box that takes text of any length, as the store does.
QLineEdit *textBox(const QString &name, QWidget *parent);

// A label that names `buddy` for assistive technology and gives it focus
// through its access key.
QLabel *buddyLabel(const QString &name, const QString &caption, QWidget *buddy, QWidget *parent);

// A window's main list, in its list font.
EntryList *entryList(const QString &name, const QString &accessibleName, QWidget *parent);

// The large title at the top of a window.
QLabel *titleLabel(const QString &name, const QString &caption, QWidget *parent);
