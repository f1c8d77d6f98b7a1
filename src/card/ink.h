#pragma once

#include <QColor>
#include <QObject>

// The companion's five-colour palette (sRGB, opaque), shared by the card,
// the lookup view and the status item.
namespace Ink {
const QColor &primary();   // #00283B
const QColor &secondary(); // #526670
const QColor &accent();    // #00405F
const QColor &paper();     // #FCFBF8
const QColor &line();      // #D9E0DE
} // namespace Ink

// The palette as seen from QML ("ink.primary" and so on).
class InkPalette : public QObject {
    Q_OBJECT
    Q_PROPERTY(QColor primary READ primary CONSTANT)
    Q_PROPERTY(QColor secondary READ secondary CONSTANT)
    Q_PROPERTY(QColor accent READ accent CONSTANT)
    Q_PROPERTY(QColor paper READ paper CONSTANT)
    Q_PROPERTY(QColor line READ line CONSTANT)
public:
    using QObject::QObject;
    QColor primary() const { return Ink::primary(); }
    QColor secondary() const { return Ink::secondary(); }
    QColor accent() const { return Ink::accent(); }
    QColor paper() const { return Ink::paper(); }
    QColor line() const { return Ink::line(); }
};
