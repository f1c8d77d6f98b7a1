#include "card/view_support.h"

#include "card/own_resources_network.h"
#include "card/symbol_images.h"

#include <QApplication>
#include <QClipboard>
#include <QQmlEngine>
#include <QQuickTextDocument>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolTip>

using namespace Qt::StringLiterals;

// Made by the build from the module's C++ types (qt_add_qml_module). It
// registers them with QML when its object file is linked, and a static
// library links an object file only when something refers to it.
void qml_register_types_Pelora_Card();

void ViewSupport::install(QQmlEngine &engine)
{
    if (engine.imageProvider(u"symbol"_s))
        return;
    [[maybe_unused]] volatile auto card = &qml_register_types_Pelora_Card;
    // The views' modules are in the program's resources, where Qt 6.5 and later look by default.
    engine.addImportPath(u":/qt/qml"_s);
    engine.setNetworkAccessManagerFactory(&OwnResourcesNetworkFactory::shared());
    engine.addImageProvider(u"symbol"_s, new SymbolImageProvider);
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
