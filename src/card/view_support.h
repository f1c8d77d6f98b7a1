#pragma once

#include <QObject>
#include <QPointF>
#include <QString>

class QQmlEngine;

// What the QML views need from the desktop beyond Qt Quick itself: the
// clipboard and real tooltips (separate windows, so a tooltip is never
// clipped by the small card). install() also gives an engine the palette
// ("ink") and the symbol images ("image://symbol/…").
class ViewSupport : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    static void install(QQmlEngine &engine);

    // Replaces the clipboard's contents with plain text.
    Q_INVOKABLE void copyText(const QString &text);
    Q_INVOKABLE void showTip(const QString &text, QPointF globalPosition);
    Q_INVOKABLE void hideTip();
};
