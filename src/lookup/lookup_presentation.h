#pragma once

#include <QObject>
#include <QString>
#include <QUuid>

// The lookup window's focus signal: every new request asks the view to put
// keyboard focus into the search field.
class LookupPresentation : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString focusRequest READ focusRequestText NOTIFY focusRequestChanged)
public:
    using QObject::QObject;

    QUuid focusRequest() const { return m_focusRequest; }
    QString focusRequestText() const { return m_focusRequest.toString(QUuid::WithoutBraces); }
    void requestFocus();

Q_SIGNALS:
    void focusRequestChanged();

private:
    QUuid m_focusRequest = QUuid::createUuid();
};
