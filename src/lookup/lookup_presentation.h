#pragma once

#include <QObject>
#include <QString>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

// What passes between the lookup window and its view beyond the model: every
// new request asks the view to put keyboard focus into the search field, and
// the view asks the window to go (Escape, the close button).
class LookupPresentation : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The lookup window makes its presentation")
    Q_PROPERTY(QString focusRequest READ focusRequestText NOTIFY focusRequestChanged)
public:
    using QObject::QObject;

    QUuid focusRequest() const { return m_focusRequest; }
    QString focusRequestText() const { return m_focusRequest.toString(QUuid::WithoutBraces); }
    void requestFocus();

Q_SIGNALS:
    void focusRequestChanged();
    // Emitted by the view: the learner dismissed the window.
    void dismissRequested();

private:
    QUuid m_focusRequest = QUuid::createUuid();
};
