#pragma once

#include <QString>

// The frame every page of the stand-in web app shares: one inline style
// sheet in the companion's palette, no external resources.
namespace HtmlPage {

QString escape(const QString &text);

// `signedInEmail` empty: the header offers sign-in instead of sign-out.
QString render(const QString &title, const QString &bodyHtml, const QString &signedInEmail = {});

} // namespace HtmlPage
