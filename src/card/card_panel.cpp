#include "card/card_panel.h"

#include "card/panel_placement.h"
#include "card/reduce_motion.h"
#include "card/view_support.h"

#include <QCursor>
#include <QGuiApplication>
#include <QQmlEngine>

using namespace Qt::StringLiterals;

CardPanel::CardPanel(QObject *parent)
    : QObject(parent),
      m_model(std::make_unique<CardModel>()),
      m_window(std::make_unique<FloatingPanel>(u"Pelora · A little Malay"_s))
{
    m_collapseTimer.setSingleShot(true);
    m_collapseTimer.setInterval(collapseDelay);
    connect(&m_collapseTimer, &QTimer::timeout, this, [this] { Q_EMIT hoverSettled(false); });

    connect(m_model.get(), &CardModel::expandedChanged, this, [this] {
        if (!m_model->expanded())
            m_window->setTakesFocus(false);
    });

    connect(m_model.get(), &CardModel::keyboardWanted, this, &CardPanel::takeKeyboardFocus);
    // Ask the desktop about motion now, so its answer is in before the card
    // first animates.
    ReduceMotion::instance();

    ViewSupport::install(*m_window->engine());
    m_window->setInitialProperties({{u"cardModel"_s, QVariant::fromValue(m_model.get())}});
    m_window->setSource(QUrl(u"qrc:/qt/qml/Pelora/Card/PhraseCard.qml"_s));
}

CardPanel::~CardPanel() = default;

void CardPanel::show(const Phrase &phrase)
{
    cancelCollapse();
    m_model->setPhrase(phrase);
    m_model->setExpanded(false);
    chooseScreen();
    resize(false);
    m_window->setTakesFocus(false);
    m_window->orderFront();
}

void CardPanel::showMessage(PhraseStore::State state, const QString &detail)
{
    cancelCollapse();
    m_model->setPhrase(std::nullopt);
    m_model->setState(state);
    m_model->setDetail(detail);
    m_model->setExpanded(false);
    chooseScreen();
    resize(false);
    m_window->setTakesFocus(false);
    m_window->orderFront();
}

void CardPanel::expand(bool expanded)
{
    cancelCollapse();
    if (m_model->expanded() == expanded)
        return;
    m_model->setExpanded(expanded);
    resize(true);
}

void CardPanel::hover(bool inside)
{
    cancelCollapse();
    if (inside)
        Q_EMIT hoverSettled(true);
    else
        m_collapseTimer.start();
}

void CardPanel::hide()
{
    cancelCollapse();
    m_window->orderOut();
    m_window->setTakesFocus(false);
    m_model->setExpanded(false);
}

void CardPanel::takeKeyboardFocus()
{
    if (!m_window->isVisible() || !m_model->expanded())
        return;
    m_window->setTakesFocus(true);
    m_window->requestActivate();
}

void CardPanel::reposition()
{
    if (!m_screen || !QGuiApplication::screens().contains(m_screen.data()))
        m_screen = QGuiApplication::primaryScreen();
    resize(false);
}

bool CardPanel::isVisible() const
{
    return m_window->isVisible();
}

void CardPanel::cancelCollapse()
{
    m_collapseTimer.stop();
}

void CardPanel::chooseScreen()
{
    m_screen = PanelPlacement::screenUnderPointer();
}

void CardPanel::resize(bool animated)
{
    QScreen *screen = m_screen ? m_screen.data() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect frame = PanelPlacement::cardFrame(screen->availableGeometry(), m_model->expanded());
    const bool animate = animated && !ReduceMotion::isOn();
    m_window->setFrame(frame, animate, resizeAnimation);
}
