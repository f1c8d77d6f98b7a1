#include "card/view_support.h"

#include "card/ink.h"
#include "card/own_resources_network.h"
#include "card/symbol_images.h"

#include <QApplication>
#include <QClipboard>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickTextDocument>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolTip>

void ViewSupport::install(QQmlEngine &engine)
{
    if (engine.imageProvider(QStringLiteral("symbol")))
        return;
    engine.setNetworkAccessManagerFactory(&OwnResourcesNetworkFactory::shared());
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
    // Tooltips are widgets: only a QApplication can show them. A tooltip
    // guesses whether its text is markup; converted, it never is.
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        QToolTip::showText(globalPosition.toPoint(), Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap));
}

void ViewSupport::hideTip()
{
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        QToolTip::hideText();
}

void ViewSupport::spaceLines(QObject *textDocument, qreal pixels)
{
    auto *quickDocument = qobject_cast<QQuickTextDocument *>(textDocument);
    QTextDocument *document = quickDocument ? quickDocument->textDocument() : nullptr;
    if (!document || pixels <= 0)
        return;
    const QTextBlockFormat current = document->firstBlock().blockFormat();
    if (current.lineHeightType() == QTextBlockFormat::LineDistanceHeight && current.lineHeight() == pixels)
        return; // already spaced: a format change would only lay it out again
    QTextBlockFormat spacing;
    spacing.setLineHeight(pixels, QTextBlockFormat::LineDistanceHeight);
    QTextCursor cursor(document);
    cursor.select(QTextCursor::Document);
    cursor.mergeBlockFormat(spacing);
}
