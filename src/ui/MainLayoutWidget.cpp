// Building the window's pieces, wiring them to each other, and scaling.
#include "ui/MainLayoutWidget.h"

#include "device/KnobSession.h"
#include "ui/ChoiceOverlay.h"
#include "ui/ConfigFileTransfer.h"
#include "ui/ConfiguratorService.h"
#include "ui/DimOverlay.h"
#include "ui/GestureSelection.h"
#include "ui/HeaderBar.h"
#include "ui/KeyboardNavigation.h"
#include "ui/KnobArea.h"
#include "ui/KnobEditor.h"
#include "ui/KnobSync.h"
#include "ui/PageStack.h"
#include "ui/ProfileButton.h"
#include "ui/ProfileChoice.h"
#include "ui/ProfileOverlay.h"
#include "ui/ResetOverlay.h"
#include "ui/StatusArea.h"
#include "ui/SystemSwitch.h"
#include "ui/TabBar.h"
#include "ui/TabPages.h"
#include "ui/ToastWidget.h"
#include "ui/WindowBackground.h"
#include "ui/WindowButtons.h"
#include "ui/mainlayoutgeometry.h"
#include "ui/pages/KeyboardWidget.h"
#include "ui/pages/PaintedButton.h"

#include <QApplication>
#include <QDebug>
#include <QListWidget>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QUndoStack>

#include <algorithm>

MainLayoutWidget::MainLayoutWidget(KnobSession *session, QWidget *parent)
    : QWidget(parent), m_session(session), m_editor(new KnobEditor(this)),
      m_selection(new GestureSelection(this))
{
    Q_ASSERT(session);
    setupUI();
    connect(m_editor, &KnobEditor::gestureChanged, m_pages, &TabPages::markSelectionAfterEdit);
    connect(m_editor, &KnobEditor::documentReplaced, m_pages, &TabPages::markSelectionAfterEdit);
    m_sync = new KnobSync(this, m_session, m_editor, m_pages, m_knobArea, m_statusArea);
    connect(m_sync, &KnobSync::notice, m_toast, &ToastWidget::showMessage);
    connect(m_sync, &KnobSync::connectedLookChanged, this, &MainLayoutWidget::updateStatusIcon);
    m_sync->takeButtons(m_saveButton, m_resetButton);
    m_fileTransfer = new ConfigFileTransfer(this, m_editor);
    connect(m_fileTransfer, &ConfigFileTransfer::notice, this, &MainLayoutWidget::showToast);
    connect(m_importButton, &QPushButton::clicked, m_fileTransfer, &ConfigFileTransfer::importWithDialog);
    connect(m_exportButton, &QPushButton::clicked, m_fileTransfer, &ConfigFileTransfer::exportWithDialog);
    m_profiles = new ProfileChoice(m_editor, ProfileStore(), this);
    connect(m_profiles, &ProfileChoice::currentChanged, m_profileButton, &ProfileButton::setProfileName);
    connect(m_profileButton, &QPushButton::clicked, this, &MainLayoutWidget::openProfiles);
    setupShortcuts();
    m_sync->start();
    // Put on the session bus by the program's start-up, not here: tests build many windows.
    auto *handOver = new ConfiguratorService(m_session, this);
    handOver->setRefusal([this] { return m_sync->handOverRefusal(); });
    connect(handOver, &ConfiguratorService::writeStarting, m_sync, &KnobSync::expectHandedOverWrite);
    connect(handOver, &ConfiguratorService::lightSet, m_sync, &KnobSync::showHandedOverLight);
}

MainLayoutWidget::~MainLayoutWidget() = default;

void MainLayoutWidget::setupShortcuts()
{
    const auto shortcut = [this](const QKeySequence &keys, auto slot) {
        auto *s = new QShortcut(keys, this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, slot);
    };
    QUndoStack *undo = m_editor->undoStack();
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), [undo] { undo->undo(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [undo] { undo->redo(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Y), [undo] { undo->redo(); });
    shortcut(QKeySequence(Qt::Key_Backspace), [this] { m_pages->removeSelectedAction(-1); });
    // Through the button, so it saves exactly when a click would.
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_S), [this] { m_saveButton->click(); });
    new KeyboardNavigation(this, [this] { return focusOrder(); });
    // Holding the focus keeps the window from handing it to its first
    // control (and ringing it) when it is activated; Tab starts at the header.
    setFocus();
}

QList<QWidget *> MainLayoutWidget::focusOrder() const
{
    // An open question covers the window: Tab stays on the topmost one's answers.
    const QList<QWidget *> children = findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        QWidget *child = *it;
        if (!child->isVisible())
            continue;
        if (const auto *profiles = qobject_cast<ProfileOverlay *>(child))
            return profiles->focusOrder();
        if (const auto *name = qobject_cast<ProfileNameOverlay *>(child))
            return name->focusOrder();
        if ((qobject_cast<ResetOverlay *>(child) || qobject_cast<ChoiceOverlay *>(child)) &&
            child->isVisible()) {
            const QList<QPushButton *> answers = child->findChildren<QPushButton *>();
            return QList<QWidget *>(answers.begin(), answers.end());
        }
    }
    QList<QWidget *> order = {m_profileButton, m_importButton, m_exportButton, m_resetButton, m_saveButton};
    if (const auto *buttons = findChild<WindowButtons *>(QString(), Qt::FindDirectChildrenOnly))
        order << buttons->minimiseButton() << buttons->closeButton();
    // The rest only edits a connected knob.
    if (!m_session->isConnected())
        return order;
    order += m_knobArea->focusOrder();
    order += m_tabBar->items();
    if (m_systemSwitch->isVisible())
        order += m_systemSwitch->items();
    QWidget *page = m_contentStack->widget(m_tabBar->currentIndex());
    if (!page)
        return order;
    // The page's own tab order; the keyboard's keys read by row, from the left.
    QList<QWidget *> controls;
    for (QWidget *w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
        if (page->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus))
            controls << w;
    }
    if (page == m_pages->keyboardPage()) {
        const auto at = [page](const QWidget *w) { return w->mapTo(page, QPoint(0, 0)); };
        std::stable_sort(controls.begin(), controls.end(), [&at](const QWidget *a, const QWidget *b) {
            const QPoint pa = at(a);
            const QPoint pb = at(b);
            return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
        });
    }
    return order + controls;
}

void MainLayoutWidget::openProfiles()
{
    auto *overlay = new ProfileOverlay(this, m_profiles);
    connect(overlay, &ProfileOverlay::notice, this, &MainLayoutWidget::showToast);
    // The keys go back where they were: a click leaves no ring on the control.
    const QPointer<QWidget> before = QApplication::focusWidget();
    connect(overlay, &ProfileOverlay::closed, this, [this, before] {
        QWidget *back = before && isAncestorOf(before) ? before.data() : this;
        back->setFocus(Qt::OtherFocusReason);
    });
    emit profileListOpened(overlay);
    overlay->show();
    overlay->raise();
    overlay->list()->setFocus(Qt::TabFocusReason);
}

void MainLayoutWidget::handleLogoPress()
{
    if (m_session->isConnected())
        return;
    if (m_logoClickCount++ < 9)
        return;
    m_logoClickCount = 0;
    m_session->switchDeviceIds();
}

// ---- Construction -----------------------------------------------------------

void MainLayoutWidget::setupUI()
{
    m_designSize = WindowBackground::designSize();
    // The window already has its size; its central widget gets it only when
    // shown, and laying out at that interim size would decode the pictures twice.
    resize(parentWidget() ? parentWidget()->window()->size() : QSize(1280, 720));
    setMinimumSize(1, 1);

    m_background = new WindowBackground(this);

    m_statusArea = new StatusArea(this, m_designSize);

    m_header = new HeaderBar(this);
    connect(m_header, &HeaderBar::logoPressed, this, &MainLayoutWidget::handleLogoPress);

    m_knobArea = new KnobArea(this, m_editor, m_selection);
    setupButtons();
    m_pages = new TabPages(this, m_session, m_editor, m_selection, m_knobArea, m_resetButton, m_designSize);
    connect(m_pages, &TabPages::notice, this, &MainLayoutWidget::showToast);
    connect(m_knobArea, &KnobArea::clearClicked, m_pages, &TabPages::clearKnobKey);
    connect(m_knobArea, &KnobArea::knobKeyClicked, m_pages, [this](int knobKey) {
        if (m_session->isConnected())
            m_pages->selectKnobKey(knobKey);
    });
    m_tabBar = m_pages->tabBar();
    m_systemSwitch = m_pages->systemSwitch();
    m_contentStack = m_pages->stack();

    m_toast = new ToastWidget(this);

    // Pages at the bottom, then the bars over their top edge; the bubble and
    // the toast stay above everything.
    m_contentStack->raise();
    m_tabBar->raise();
    m_systemSwitch->raise();
    m_statusArea->raise();
    m_knobArea->raise();
    m_knobArea->bubbleContainer()->raise();
    m_toast->raise();

    relayout();
    applyConnectionVisualState(false);
    qDebug().noquote() << "Main layout setup complete";
}

void MainLayoutWidget::setupButtons()
{
    m_resetButton = m_header->resetButton();
    m_importButton = m_header->importButton();
    m_exportButton = m_header->exportButton();
    m_saveButton = m_header->saveButton();
    m_profileButton = m_header->profileButton();
}

// ---- Scaling ----------------------------------------------------------------

void MainLayoutWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // Showing the window delivers the size setupUI() already laid out for.
    if (size() == m_laidOutSize && devicePixelRatioF() == m_laidOutRatio)
        return;
    relayout();
}

void MainLayoutWidget::relayout()
{
    // Resizes can arrive while setupUI() is still building the pieces.
    if (!m_toast)
        return;
    const QSize size = this->size();
    m_laidOutSize = size;
    m_laidOutRatio = devicePixelRatioF();
    const layout::MainGeometry g = layout::mainGeometry(size);

    m_header->relayout();
    m_statusArea->relayout();

    m_knobArea->relayout(g.knobArea);

    m_tabBar->relayout(g.tabBar.topLeft(), g.tabBar.height(), g.buttonRadius);

    m_contentStack->setGeometry(g.contentStack);
    if (m_contentStack->cornerRadius() != g.contentStackRadius)
        m_contentStack->setCornerRadius(g.contentStackRadius);

    m_systemSwitch->relayout(g.systemSwitch, g.buttonRadius);
    m_systemSwitch->setVisible(m_tabBar->currentIndex() == 0);
    m_systemSwitch->updateIcons();

    m_toast->relayout();

    // An open reset confirmation keeps covering the whole window.
    if (auto *overlay = findChild<ResetOverlay *>(QString(), Qt::FindDirectChildrenOnly))
        overlay->fitToWindow();
}

// ---- Looks: status, background, connected / disconnected ----------------------------

void MainLayoutWidget::updateStatusIcon(bool connected)
{
    m_statusArea->setConnectedLook(connected);
    m_statusArea->setDemo(m_session->isDemo());
    m_statusArea->relayout();
    applyConnectionVisualState(connected);
    qDebug().noquote() << "状态已更新:" << (connected ? QStringLiteral("已连接") : QStringLiteral("未连接"));
}

void MainLayoutWidget::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setClipRegion(event->region());
    m_background->paint(painter);
}

void MainLayoutWidget::applyConnectionVisualState(bool connected)
{
    m_statusArea->setConnectedLook(connected);
    m_knobArea->setConnectedLook(connected);
    m_tabBar->setConnectedLook(connected);
    m_systemSwitch->setConnectedLook(connected);
    m_background->setConnected(connected);

    const double opacity = connected ? 1.0 : 0.4;
    for (QWidget *w : {static_cast<QWidget *>(m_knobArea), static_cast<QWidget *>(m_resetButton),
                       static_cast<QWidget *>(m_importButton), static_cast<QWidget *>(m_exportButton),
                       static_cast<QWidget *>(m_profileButton), static_cast<QWidget *>(m_saveButton),
                       static_cast<QWidget *>(m_tabBar), static_cast<QWidget *>(m_systemSwitch),
                       static_cast<QWidget *>(m_contentStack)}) {
        if (!w)
            continue;
        auto *dim = w->findChild<DimOverlay *>(QString(), Qt::FindDirectChildrenOnly);
        if (!dim && opacity < 1.0)
            dim = new DimOverlay(w, this, [this](QPainter &painter) { m_background->paint(painter); });
        if (dim)
            dim->setOpacity(opacity);
    }

    m_systemSwitch->updateIcons();

    m_knobArea->applyConnectionLook(connected);

    m_pages->setConnectedLook(connected);
    for (PaintedButton *button : {m_resetButton, m_importButton, m_exportButton}) {
        if (button)
            button->setEnabled(connected);
    }
    if (m_saveButton)
        m_saveButton->setEnabled(connected);
    if (m_profileButton)
        m_profileButton->setEnabled(connected);
    m_tabBar->updateIcons();
}

void MainLayoutWidget::showToast(bool success, const QString &title, const QString &text)
{
    m_toast->showMessage(success, title, text);
}
