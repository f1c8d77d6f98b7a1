#pragma once

#include <QObject>
#include <QPointF>
#include <QString>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;

// What the QML views need from the desktop beyond Qt Quick itself: the
// clipboard, real tooltips (separate windows, so a tooltip is never clipped
// by the small card) and line spacing for selectable text.
class ViewSupport : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
public:
    using QObject::QObject;

    // Prepares an engine for the views: their QML modules (Pelora.Card,
    // Pelora.Lookup), the symbol images ("image://symbol/…") and a network
    // that reaches nothing but the program's own resources.
    static void install(QQmlEngine &engine);

    // Replaces the clipboard's contents with plain text.
    Q_INVOKABLE void copyText(const QString &text);
    // Shows `text` as it is: a tooltip never interprets markup.
    Q_INVOKABLE void showTip(const QString &text, QPointF globalPosition);
    Q_INVOKABLE void hideTip();
    // Puts `pixels` of extra space between the lines of a TextEdit's
    // document (its `textDocument`); plain text keeps no formatting of its
    // own, so this is applied again whenever the text is set.
    Q_INVOKABLE void spaceLines(QObject *textDocument, qreal pixels);
};
