#include "lookup/phrase_lookup_window.h"

#include "account/web_address.h"
#include "card/key_texts.h"
#include "card/panel_placement.h"
#include "card/reduce_motion.h"
#include "card/view_support.h"
#include "lookup/lookup_placement.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace {

// The phases in which the window holds a card and is drawn tall.
bool showsCard(PhraseLookupModel::Phase phase)
{
    using Phase = PhraseLookupModel::Phase;
    return phase == Phase::preview || phase == Phase::saving || phase == Phase::saved || phase == Phase::saveUncertain;
}

} // namespace

// Made by the build from the Pelora.Lookup module's C++ types; see ViewSupport::install.
void qml_register_types_Pelora_Lookup();

PhraseLookupWindow::PhraseLookupWindow(QObject *parent)
    : QObject(parent),
      m_model(std::make_unique<PhraseLookupModel>()),
      m_presentation(std::make_unique<LookupPresentation>())
{
}

PhraseLookupWindow::~PhraseLookupWindow()
{
    // The window's view refers to the model: let it go first.
    m_window.reset();
}

void PhraseLookupWindow::show()
{
    if (!m_window)
        createWindow();
    position();
    m_window->orderFront();
    m_window->requestActivate();
    m_presentation->requestFocus();
}

void PhraseLookupWindow::hide()
{
    m_model->cancelLookup();
    if (m_window)
        m_window->orderOut();
}

void PhraseLookupWindow::reposition()
{
    if (isVisible())
        position();
}

bool PhraseLookupWindow::isVisible() const
{
    return m_window && m_window->isVisible();
}

void PhraseLookupWindow::createWindow()
{
    m_window = std::make_unique<FloatingPanel>(title());
    m_window->setTakesFocus(true);
    m_window->setProperty("_q_showWithoutActivating", false); // it is meant to take focus at once

    ReduceMotion::instance(); // known before the window first animates
    ViewSupport::install(*m_window->engine());
    [[maybe_unused]] volatile auto lookupTypes = &qml_register_types_Pelora_Lookup;
    m_window->setInitialProperties({
        {u"lookupModel"_s, QVariant::fromValue(m_model.get())},
        {u"presentation"_s, QVariant::fromValue(m_presentation.get())},
        {u"bareDomain"_s, WebAddress::bareDomain()},
        {u"saveKeys"_s, KeyTexts::save()},
        {u"copyKeys"_s, KeyTexts::copy()},
    });
    m_window->setSource(QUrl(u"qrc:/qt/qml/Pelora/Lookup/PhraseLookupView.qml"_s));
    // Escape and the close button: the same as hide().
    connect(m_presentation.get(), &LookupPresentation::dismissRequested, this, &PhraseLookupWindow::hide);

    // QQuickWindow's closing() passes a type Qt keeps private; its close event is the same moment.
    m_window->installEventFilter(this);
    connect(m_window.get(), &QWindow::activeChanged, this, &PhraseLookupWindow::windowActiveChanged);
    connect(m_model.get(), &PhraseLookupModel::phaseChanged, this, &PhraseLookupWindow::scheduleResize);
    connect(m_model.get(), &PhraseLookupModel::signedInChanged, this, &PhraseLookupWindow::scheduleResize);
    scheduleResize(); // the subscription starts with the current values
}

// Chooses the screen under the pointer and sets the frame at once.
void PhraseLookupWindow::position()
{
    if (!m_window)
        return;
    QScreen *screen = PanelPlacement::screenUnderPointer();
    if (!screen)
        return;
    m_window->setFrame(LookupPlacement::frame(screen->availableGeometry(), m_model->hasPhrase()), false);
}

// Grows or shrinks in place after the phase changed; queued, so the change
// that caused it is drawn first.
void PhraseLookupWindow::scheduleResize()
{
    if (m_resizeQueued)
        return;
    m_resizeQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_resizeQueued = false;
            resize(showsCard(m_model->phase()));
        },
        Qt::QueuedConnection);
}

void PhraseLookupWindow::resize(bool withCard)
{
    if (!m_window || !m_window->isVisible() || !m_window->screen())
        return;
    const QRect current = m_window->targetFrame();
    const QRect frame = LookupPlacement::resized(m_window->screen()->availableGeometry(), current, withCard);
    if (frame == current)
        return;
    m_window->setFrame(frame, !ReduceMotion::isOn(), resizeAnimation);
}

bool PhraseLookupWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window.get() && event->type() == QEvent::Close)
        m_model->cancelLookup();
    return QObject::eventFilter(watched, event);
}

// Clicking into another window takes focus away: the lookup window hides.
void PhraseLookupWindow::windowActiveChanged()
{
    if (m_window->isActive() || !m_window->isVisible())
        return;
    hide();
}
