#pragma once

#include <QWidget>

#include <functional>

class ProfileChoice;
class QLabel;
class QHBoxLayout;
class QLineEdit;
class QListWidget;
class QPushButton;
class QVBoxLayout;

// The profile list over the dimmed window, drawn like the window's other
// questions: ready-made and user profiles with the application each suits,
// unreadable files greyed with their reason. Load puts the chosen one into
// the window; Save as, Rename and Delete work on the user's own. It deletes
// itself when closed.
class ProfileOverlay : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProfileOverlay)

public:
    ProfileOverlay(QWidget *window, ProfileChoice *choice);

    // A row below the list's own buttons, for what builds on the profiles;
    // the overlay takes ownership and grows to hold it.
    void addFooter(QWidget *footer);
    // A small button on the footer row of buttons, made on first use.
    QPushButton *addFooterButton(const QString &text);
    // The profile selected in the list; empty when none is.
    QString currentName() const;
    QListWidget *list() const { return m_list; }
    // What Tab walks while the list is open.
    QList<QWidget *> focusOrder() const;
    void fitToWindow();

Q_SIGNALS:
    void notice(bool success, const QString &title, const QString &text);
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void refill();
    void updateButtons();
    void loadCurrent();
    void askName(const QString &title, const QString &initial, const std::function<void(QString)> &done);
    void saveAs();
    void renameCurrent();
    void deleteCurrent();
    void failed(const QString &sentence);
    // Shows a question over the list, and gives the list the keys back once
    // no question covers it.
    void watchQuestion(QWidget *question);
    void refocus();

    ProfileChoice *m_choice;
    QWidget *m_panel = nullptr;
    QListWidget *m_list = nullptr;
    QVBoxLayout *m_footers = nullptr;
    QHBoxLayout *m_footerButtons = nullptr;
    QPushButton *m_saveAs = nullptr;
    QPushButton *m_rename = nullptr;
    QPushButton *m_delete = nullptr;
    QPushButton *m_close = nullptr;
    QPushButton *m_load = nullptr;
};

// A name asked for over the window: a line to type in, Cancel and OK.
// Return accepts, Escape cancels; it deletes itself when closed.
class ProfileNameOverlay : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProfileNameOverlay)

public:
    ProfileNameOverlay(QWidget *window, const QString &title, const QString &initial);

    QLineEdit *edit() const { return m_edit; }
    QList<QWidget *> focusOrder() const;
    void fitToWindow();

Q_SIGNALS:
    void accepted(const QString &name);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void accept();

    QWidget *m_panel = nullptr;
    QLineEdit *m_edit = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_ok = nullptr;
};
