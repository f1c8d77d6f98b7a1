#include "card/view_support.h"

#include "card/ink.h"
#include "card/symbol_images.h"

#include <QApplication>
#include <QClipboard>
#include <QQmlContext>
#include <QQmlEngine>
#include <QToolTip>

void ViewSupport::install(QQmlEngine &engine)
{
    if (engine.imageProvider(QStringLiteral("symbol")))
        return;
    engine.addImageProvider(QStringLiteral("symbol"), new SymbolImageProvider);
    engine.rootContext()->setContextProperty(QStringLiteral("ink"), new InkPalette(&engine));
    engine.rootContext()->setContextProperty(QStringLiteral("viewSupport"), new ViewSupport(&engine));
}

void ViewSupport::copyText(const QString &text)
{
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
}

void ViewSupport::showTip(const QString &text, QPointF globalPosition)
{
    // Tooltips are widgets: only a QApplication can show them.
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        QToolTip::showText(globalPosition.toPoint(), text);
}

void ViewSupport::hideTip()
{
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        QToolTip::hideText();
}
