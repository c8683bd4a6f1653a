#include "ui/ProfileOverlay.h"

#include "ui/ChoiceOverlay.h"
#include "ui/ProfileChoice.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kPanelWidth = 420;
constexpr int kMargin = 20;
constexpr int kButtonHeight = 43;
constexpr int kVisibleRows = 6;

enum Role
{
    NameRole = Qt::UserRole,
    ReadyMadeRole,
    ReadableRole
};

const char *const kCoverSheet = "background-color: rgba(1, 1, 1, 204);";

QWidget *makePanel(QWidget *cover)
{
    auto *panel = new QWidget(cover);
    panel->setObjectName(QStringLiteral("profilePanel"));
    panel->setAttribute(Qt::WA_StyledBackground);
    panel->setStyleSheet(QStringLiteral("QWidget#profilePanel { background-color: #272A2B; border: 1px solid "
                                        "#424242; border-radius: 8px; }"
                                        "QLabel { background: transparent; }"));
    return panel;
}

QLabel *makeTitle(const QString &text, QWidget *panel)
{
    auto *title = new QLabel(text, panel);
    title->setObjectName(QStringLiteral("profileTitle"));
    title->setStyleSheet(QStringLiteral("QLabel { color: #FFFFFF; font-size: 15px; font-weight: 500; }"));
    return title;
}

// A small key cap in the panel, as the header's Import and Export.
QPushButton *makeSmallButton(const QString &text, QWidget *panel)
{
    auto *b = new QPushButton(text, panel);
    b->setCursor(Qt::PointingHandCursor);
    b->setFocusPolicy(Qt::TabFocus);
    b->setMinimumHeight(30);
    b->setStyleSheet(QStringLiteral(
        "QPushButton { color: #D4D4D5; font-size: 13px; background-color: #1F1E1E; border: 1px solid "
        "#363636; "
        "border-radius: 6px; padding: 0 10px; }"
        "QPushButton:hover { background-color: rgba(255, 255, 255, 25); border-color: #67696A; }"
        "QPushButton:pressed { background-color: #101010; }"
        "QPushButton:disabled { color: #67696A; border-color: #2E2E2E; }"));
    return b;
}

// The answer row along the panel's foot, as in the window's questions; the
// last answer is the accented one.
QWidget *makeAnswerRow(QWidget *panel, const QList<QPushButton *> &answers)
{
    auto *row = new QWidget(panel);
    row->setObjectName(QStringLiteral("profileAnswers"));
    row->setAttribute(Qt::WA_StyledBackground);
    row->setStyleSheet(QStringLiteral("QWidget#profileAnswers { border-top: 1px solid #424242; "
                                      "background: transparent; }"));
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 1, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < answers.size(); ++i) {
        QPushButton *b = answers[i];
        b->setParent(row);
        b->setCursor(Qt::PointingHandCursor);
        b->setFocusPolicy(Qt::TabFocus);
        b->setFixedHeight(kButtonHeight);
        const bool accent = i == answers.size() - 1;
        b->setStyleSheet(
            accent ? QStringLiteral("QPushButton { color: #BEF449; font-size: 14px; font-weight: 500; "
                                    "background: transparent; border: none; border-left: 1px solid #424242; }"
                                    "QPushButton:hover { background-color: rgba(190, 244, 73, 18); }"
                                    "QPushButton:pressed { background-color: rgba(190, 244, 73, 28); }"
                                    "QPushButton:disabled { color: #67696A; }")
                   : QStringLiteral("QPushButton { color: #FFFFFF; font-size: 14px; background: transparent; "
                                    "border: none; }"
                                    "QPushButton:hover { background-color: rgba(255, 255, 255, 10); }"
                                    "QPushButton:pressed { background-color: rgba(255, 255, 255, 20); }"));
        layout->addWidget(b, 1);
    }
    return row;
}

void coverWindow(QWidget *cover, QWidget *panel)
{
    QWidget *window = cover->parentWidget();
    if (!window)
        return;
    cover->setGeometry(window->rect());
    const int w = std::min(kPanelWidth, std::max(200, window->width() - 2 * kMargin));
    panel->setFixedWidth(w);
    panel->adjustSize();
    const int h = std::min(panel->sizeHint().height(), window->height() - 2 * kMargin);
    panel->setGeometry((window->width() - w) / 2, std::max(0, (window->height() - h) / 2), w, h);
}

void setupCover(QWidget *cover, const QString &name)
{
    cover->setObjectName(name);
    cover->setAttribute(Qt::WA_StyledBackground);
    cover->setAttribute(Qt::WA_DeleteOnClose);
    cover->setStyleSheet(QStringLiteral("QWidget#%1 { %2 }").arg(name, QLatin1String(kCoverSheet)));
}

bool isEscape(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier;
}

} // namespace

// ---- The list -----------------------------------------------------------------

ProfileOverlay::ProfileOverlay(QWidget *window, ProfileChoice *choice) : QWidget(window), m_choice(choice)
{
    setupCover(this, QStringLiteral("profileOverlay"));
    m_panel = makePanel(this);
    auto *layout = new QVBoxLayout(m_panel);
    layout->setContentsMargins(0, kMargin, 0, 0);
    layout->setSpacing(12);

    auto *inner = new QVBoxLayout;
    inner->setContentsMargins(kMargin, 0, kMargin, 0);
    inner->setSpacing(12);
    inner->addWidget(makeTitle(tr("Profiles"), m_panel));

    m_list = new QListWidget(m_panel);
    m_list->setObjectName(QStringLiteral("profileList"));
    m_list->setAccessibleName(tr("Profiles"));
    m_list->setFocusPolicy(Qt::TabFocus);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setTextElideMode(Qt::ElideRight);
    m_list->setStyleSheet(QStringLiteral(
        "QListWidget { background-color: #1F1E1E; border: 1px solid #363636; border-radius: 6px; "
        "color: #D4D4D5; font-size: 13px; outline: none; padding: 4px; }"
        "QListWidget::item { padding: 6px 8px; border-radius: 4px; }"
        "QListWidget::item:hover { background-color: rgba(255, 255, 255, 10); }"
        "QListWidget::item:selected { background-color: rgba(190, 244, 73, 28); color: #BEF449; }"
        "QScrollBar:vertical { background: transparent; width: 6px; }"
        "QScrollBar::handle:vertical { background: #424242; border-radius: 3px; min-height: 20px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"));
    inner->addWidget(m_list);

    auto *actions = new QHBoxLayout;
    actions->setSpacing(8);
    m_saveAs = makeSmallButton(tr("Save as profile…"), m_panel);
    m_saveAs->setObjectName(QStringLiteral("profileSaveAs"));
    m_rename = makeSmallButton(tr("Rename…"), m_panel);
    m_rename->setObjectName(QStringLiteral("profileRename"));
    m_delete = makeSmallButton(tr("Delete"), m_panel);
    m_delete->setObjectName(QStringLiteral("profileDelete"));
    actions->addWidget(m_saveAs);
    actions->addStretch(1);
    actions->addWidget(m_rename);
    actions->addWidget(m_delete);
    inner->addLayout(actions);

    m_footers = new QVBoxLayout;
    m_footers->setSpacing(8);
    inner->addLayout(m_footers);
    layout->addLayout(inner);

    m_close = new QPushButton(tr("Close"));
    m_close->setObjectName(QStringLiteral("profileClose"));
    m_load = new QPushButton(tr("Load"));
    m_load->setObjectName(QStringLiteral("profileLoad"));
    layout->addWidget(makeAnswerRow(m_panel, {m_close, m_load}));

    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_load, &QPushButton::clicked, this, &ProfileOverlay::loadCurrent);
    connect(m_list, &QListWidget::itemActivated, this, &ProfileOverlay::loadCurrent);
    connect(m_list, &QListWidget::currentRowChanged, this, &ProfileOverlay::updateButtons);
    connect(m_saveAs, &QPushButton::clicked, this, &ProfileOverlay::saveAs);
    connect(m_rename, &QPushButton::clicked, this, &ProfileOverlay::renameCurrent);
    connect(m_delete, &QPushButton::clicked, this, &ProfileOverlay::deleteCurrent);
    connect(m_choice, &ProfileChoice::listChanged, this, &ProfileOverlay::refill);

    refill();
    window->installEventFilter(this);
    fitToWindow();
}

void ProfileOverlay::addFooter(QWidget *footer)
{
    footer->setParent(m_panel);
    m_footers->addWidget(footer);
    footer->show();
    fitToWindow();
}

QPushButton *ProfileOverlay::addFooterButton(const QString &text)
{
    if (!m_footerButtons) {
        m_footerButtons = new QHBoxLayout;
        m_footerButtons->setSpacing(8);
        m_footerButtons->addStretch(1);
        m_footers->addLayout(m_footerButtons);
    }
    QPushButton *button = makeSmallButton(text, m_panel);
    m_footerButtons->insertWidget(m_footerButtons->count() - 1, button);
    fitToWindow();
    return button;
}

QList<QWidget *> ProfileOverlay::focusOrder() const
{
    QList<QWidget *> order = {m_list, m_saveAs, m_rename, m_delete};
    for (int i = 0; i < m_footers->count(); ++i) {
        QLayoutItem *item = m_footers->itemAt(i);
        if (QLayout *row = item->layout()) {
            for (int j = 0; j < row->count(); ++j) {
                if (QWidget *w = row->itemAt(j)->widget())
                    order << w;
            }
        }
        QWidget *footer = item->widget();
        if (!footer)
            continue;
        if (footer->focusPolicy() & Qt::TabFocus)
            order << footer;
        const QList<QWidget *> inside = footer->findChildren<QWidget *>();
        for (QWidget *w : inside) {
            if (w->focusPolicy() & Qt::TabFocus)
                order << w;
        }
    }
    return order << m_close << m_load;
}

void ProfileOverlay::fitToWindow()
{
    // Enough rows to choose among without the panel outgrowing a small window.
    const int rows = std::clamp(m_list->count(), 2, kVisibleRows);
    const int rowHeight = m_list->count() > 0 ? m_list->sizeHintForRow(0) : 40;
    const int room = parentWidget()
                         ? parentWidget()->height() - 2 * kMargin - 190 - m_footers->sizeHint().height()
                         : rows * rowHeight;
    m_list->setFixedHeight(std::max(rowHeight + 10, std::min(rows * rowHeight + 10, room)));
    coverWindow(this, m_panel);
}

void ProfileOverlay::refill()
{
    const QString keep = currentName();
    const QString shown = m_choice->currentName();
    m_list->clear();
    const QList<ProfileEntry> profiles = m_choice->profiles();
    int select = -1;
    for (const ProfileEntry &p : profiles) {
        QString second = p.application;
        if (!p.readable)
            second = tr("Cannot be read: %1").arg(p.problem);
        else if (p.readyMade)
            second = second.isEmpty() ? tr("Ready-made") : tr("%1 · ready-made").arg(second);
        auto *item =
            new QListWidgetItem(second.isEmpty() ? p.name : p.name + QLatin1Char('\n') + second, m_list);
        item->setData(NameRole, p.name);
        item->setData(ReadyMadeRole, p.readyMade);
        item->setData(ReadableRole, p.readable);
        item->setToolTip(p.path);
        if (!p.readable) {
            // Listed so it can be deleted, but it cannot be loaded.
            item->setForeground(QColor(0x67, 0x69, 0x6A));
            QFont f = item->font();
            f.setItalic(true);
            item->setFont(f);
        }
        const QString wanted = keep.isEmpty() ? shown : keep;
        if (select < 0 && !wanted.isEmpty() && p.name.compare(wanted, Qt::CaseInsensitive) == 0)
            select = m_list->count() - 1;
    }
    if (m_list->count() == 0) {
        auto *item = new QListWidgetItem(tr("No profiles yet"), m_list);
        item->setFlags(Qt::NoItemFlags);
    } else {
        m_list->setCurrentRow(std::max(0, select));
    }
    updateButtons();
    fitToWindow();
}

QString ProfileOverlay::currentName() const
{
    const QListWidgetItem *item = m_list ? m_list->currentItem() : nullptr;
    return item ? item->data(NameRole).toString() : QString();
}

void ProfileOverlay::updateButtons()
{
    const QListWidgetItem *item = m_list->currentItem();
    const bool any = item && !item->data(NameRole).toString().isEmpty();
    const bool own = any && !item->data(ReadyMadeRole).toBool();
    const bool readable = any && item->data(ReadableRole).toBool();
    m_load->setEnabled(readable);
    m_rename->setEnabled(own && readable);
    m_delete->setEnabled(own);
}

void ProfileOverlay::loadCurrent()
{
    const QListWidgetItem *item = m_list->currentItem();
    if (!item || !item->data(ReadableRole).toBool())
        return;
    const QString name = currentName();
    const QString error = m_choice->choose(name);
    if (!error.isEmpty()) {
        failed(error);
        return;
    }
    emit notice(true, tr("Profile loaded"), tr("%1: Save writes it to the knob").arg(name));
    close();
}

void ProfileOverlay::askName(const QString &title, const QString &initial,
                             const std::function<void(QString)> &done)
{
    auto *ask = new ProfileNameOverlay(parentWidget(), title, initial);
    connect(ask, &ProfileNameOverlay::accepted, this, done);
    watchQuestion(ask);
    ask->edit()->setFocus(Qt::OtherFocusReason);
}

void ProfileOverlay::saveAs()
{
    askName(tr("Save as profile"), m_choice->currentName(), [this](const QString &name) {
        const auto store = [this, name] {
            const QString error = m_choice->saveAs(name);
            if (!error.isEmpty())
                failed(error);
            else
                emit notice(true, tr("Profile saved"), name.trimmed());
        };
        if (!m_choice->replacesUserProfile(name)) {
            store();
            return;
        }
        auto *ask = new ChoiceOverlay(
            parentWidget(), tr("Replace profile?"),
            tr("A profile named \"%1\" exists. Replace it with the window's content?").arg(name.trimmed()),
            {tr("Cancel"), tr("Replace")});
        connect(ask, &ChoiceOverlay::chosen, this, [store](int index) {
            if (index == 1)
                store();
        });
        watchQuestion(ask);
    });
}

void ProfileOverlay::renameCurrent()
{
    const QString from = currentName();
    if (from.isEmpty())
        return;
    askName(tr("Rename profile"), from, [this, from](const QString &to) {
        const QString error = m_choice->rename(from, to);
        if (!error.isEmpty()) {
            failed(error);
            return;
        }
        const QList<QListWidgetItem *> renamed = m_list->findItems(to.trimmed(), Qt::MatchStartsWith);
        if (!renamed.isEmpty())
            m_list->setCurrentItem(renamed.first());
    });
}

void ProfileOverlay::deleteCurrent()
{
    const QString name = currentName();
    if (name.isEmpty())
        return;
    auto *ask = new ChoiceOverlay(parentWidget(), tr("Delete profile?"),
                                  tr("\"%1\" is removed from your profiles.").arg(name),
                                  {tr("Cancel"), tr("Delete")});
    connect(ask, &ChoiceOverlay::chosen, this, [this, name](int index) {
        if (index != 1)
            return;
        const QString error = m_choice->remove(name);
        if (!error.isEmpty())
            failed(error);
    });
    watchQuestion(ask);
}

void ProfileOverlay::failed(const QString &sentence)
{
    auto *overlay = new ChoiceOverlay(parentWidget(), tr("Profile failed"), sentence, {tr("OK")});
    watchQuestion(overlay);
}

void ProfileOverlay::watchQuestion(QWidget *question)
{
    question->show();
    question->raise();
    if (auto *first = question->findChild<QPushButton *>(QStringLiteral("choiceButton0")))
        first->setFocus(Qt::OtherFocusReason);
    // Escape leaves a question unanswered, as it leaves the list.
    if (qobject_cast<ChoiceOverlay *>(question))
        question->installEventFilter(this);
    connect(question, &QObject::destroyed, this,
            [this] { QTimer::singleShot(0, this, &ProfileOverlay::refocus); });
}

void ProfileOverlay::refocus()
{
    const QList<QWidget *> covers =
        parentWidget()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    for (auto it = covers.crbegin(); it != covers.crend(); ++it) {
        QWidget *cover = *it;
        if (!cover->isVisible() || !(cover == this || qobject_cast<ChoiceOverlay *>(cover) ||
                                     qobject_cast<ProfileNameOverlay *>(cover)))
            continue;
        if (cover == this)
            m_list->setFocus(Qt::OtherFocusReason);
        return;
    }
}

void ProfileOverlay::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    emit closed();
}

bool ProfileOverlay::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && isEscape(static_cast<QKeyEvent *>(event)) &&
        qobject_cast<ChoiceOverlay *>(watched)) {
        static_cast<QWidget *>(watched)->close();
        return true;
    }
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        fitToWindow();
    return QWidget::eventFilter(watched, event);
}

void ProfileOverlay::keyPressEvent(QKeyEvent *event)
{
    if (isEscape(event)) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---- The name -----------------------------------------------------------------

ProfileNameOverlay::ProfileNameOverlay(QWidget *window, const QString &title, const QString &initial)
    : QWidget(window)
{
    setupCover(this, QStringLiteral("profileNameOverlay"));
    m_panel = makePanel(this);
    auto *layout = new QVBoxLayout(m_panel);
    layout->setContentsMargins(0, kMargin, 0, 0);
    layout->setSpacing(12);
    auto *inner = new QVBoxLayout;
    inner->setContentsMargins(kMargin, 0, kMargin, 6);
    inner->setSpacing(12);
    inner->addWidget(makeTitle(title, m_panel));
    m_edit = new QLineEdit(initial, m_panel);
    m_edit->setObjectName(QStringLiteral("profileNameEdit"));
    m_edit->setAccessibleName(tr("Profile name"));
    m_edit->setPlaceholderText(tr("Profile name"));
    m_edit->setFocusPolicy(Qt::StrongFocus);
    m_edit->setMaxLength(120);
    m_edit->selectAll();
    m_edit->setStyleSheet(
        QStringLiteral("QLineEdit { color: #FFFFFF; background-color: #1F1E1E; font-size: 14px; "
                       "border: 1px solid #363636; border-radius: 6px; padding: 6px 8px; "
                       "selection-background-color: #A4D33F; selection-color: #272A2B; }"
                       "QLineEdit:focus { border-color: #BEF449; }"));
    inner->addWidget(m_edit);
    layout->addLayout(inner);
    m_cancel = new QPushButton(tr("Cancel"));
    m_cancel->setObjectName(QStringLiteral("profileNameCancel"));
    m_ok = new QPushButton(tr("OK"));
    m_ok->setObjectName(QStringLiteral("profileNameOk"));
    layout->addWidget(makeAnswerRow(m_panel, {m_cancel, m_ok}));

    const auto updateOk = [this] { m_ok->setEnabled(!m_edit->text().trimmed().isEmpty()); };
    updateOk();
    connect(m_edit, &QLineEdit::textChanged, this, updateOk);
    connect(m_edit, &QLineEdit::returnPressed, this, &ProfileNameOverlay::accept);
    connect(m_ok, &QPushButton::clicked, this, &ProfileNameOverlay::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QWidget::close);
    window->installEventFilter(this);
    fitToWindow();
}

QList<QWidget *> ProfileNameOverlay::focusOrder() const
{
    return {m_edit, m_cancel, m_ok};
}

void ProfileNameOverlay::fitToWindow()
{
    coverWindow(this, m_panel);
}

void ProfileNameOverlay::accept()
{
    const QString name = m_edit->text().trimmed();
    if (name.isEmpty())
        return;
    // A receiver may open a question over this one; this one is done either way.
    const QPointer<ProfileNameOverlay> guard(this);
    hide();
    emit accepted(name);
    if (guard)
        close();
}

bool ProfileNameOverlay::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        fitToWindow();
    return QWidget::eventFilter(watched, event);
}

void ProfileNameOverlay::keyPressEvent(QKeyEvent *event)
{
    if (isEscape(event)) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
