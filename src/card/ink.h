#pragma once

#include <QColor>
#include <QObject>
#include <QtQml/qqmlregistration.h>

// The companion's palette (sRGB, opaque), shared by the card, the lookup
// view and the status item.
namespace Ink {
const QColor &primary();   // #00283B
const QColor &secondary(); // #526670
const QColor &accent();    // #00405F
const QColor &paper();     // #FCFBF8
const QColor &line();      // #D9E0DE
const QColor &warm();      // #AB573D: the lookup view's warnings and register tag
} // namespace Ink

// The palette as the views see it: `Ink.primary` and so on.
class InkPalette : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Ink)
    QML_SINGLETON
    Q_PROPERTY(QColor primary READ primary CONSTANT)
    Q_PROPERTY(QColor secondary READ secondary CONSTANT)
    Q_PROPERTY(QColor accent READ accent CONSTANT)
    Q_PROPERTY(QColor paper READ paper CONSTANT)
    Q_PROPERTY(QColor line READ line CONSTANT)
    Q_PROPERTY(QColor warm READ warm CONSTANT)
public:
    using QObject::QObject;
    QColor primary() const { return Ink::primary(); }
    QColor secondary() const { return Ink::secondary(); }
    QColor accent() const { return Ink::accent(); }
    QColor paper() const { return Ink::paper(); }
    QColor line() const { return Ink::line(); }
    QColor warm() const { return Ink::warm(); }
};
