#include "html_page.h"

using namespace Qt::StringLiterals;

namespace HtmlPage {

namespace {

const QString styleSheet = uR"css(
:root { --ink: #00283B; --secondary: #526670; --accent: #00405F; --paper: #FCFBF8; --line: #D9E0DE; }
* { box-sizing: border-box; }
body { margin: 0; background: var(--paper); color: var(--ink);
       font: 16px/1.5 system-ui, -apple-system, "Segoe UI", sans-serif; }
header { border-bottom: 1px solid var(--line); }
header .bar { max-width: 44rem; margin: 0 auto; padding: .9rem 1.25rem; display: flex;
              align-items: center; justify-content: space-between; gap: 1rem; }
.brand { font-family: "Noto Serif", Georgia, serif; font-size: 1.35rem; color: var(--accent);
         text-decoration: none; font-weight: 600; letter-spacing: .01em; }
nav { display: flex; align-items: center; gap: 1rem; color: var(--secondary); font-size: .95rem; }
main { max-width: 44rem; margin: 0 auto; padding: 2rem 1.25rem 3rem; }
h1 { font-family: "Noto Serif", Georgia, serif; font-weight: 600; font-size: 1.8rem; margin: 0 0 .5rem; }
p.lead { color: var(--secondary); margin-top: 0; }
a { color: var(--accent); }
form.stack { display: grid; gap: .9rem; max-width: 24rem; margin-top: 1.5rem; }
label { display: grid; gap: .3rem; font-weight: 600; font-size: .9rem; }
input[type=email], input[type=password] { font: inherit; padding: .6rem .7rem; border: 1px solid var(--line);
       border-radius: 8px; background: #fff; color: var(--ink); }
input:focus { outline: 2px solid var(--accent); outline-offset: 1px; }
button { font: inherit; font-weight: 600; padding: .6rem 1rem; border-radius: 8px; border: 1px solid var(--accent);
         background: var(--accent); color: var(--paper); cursor: pointer; }
button.quiet { background: transparent; color: var(--accent); padding: .3rem .7rem; font-size: .9rem; }
nav form { margin: 0; }
.message { border: 1px solid var(--line); border-left: 4px solid var(--accent); background: #fff;
           padding: .7rem .9rem; border-radius: 6px; }
ol.phrases { list-style: none; padding: 0; margin: 1.5rem 0 0; }
ol.phrases li { border-top: 1px solid var(--line); padding: 1rem 0; display: flex; gap: 1rem;
                justify-content: space-between; align-items: flex-start; }
.malay { font-family: "Noto Serif", Georgia, serif; font-size: 1.2rem; }
.english { color: var(--ink); }
.meta { color: var(--secondary); font-size: .88rem; }
.category { display: inline-block; border: 1px solid var(--line); border-radius: 999px; padding: 0 .55rem;
            margin-right: .4rem; }
)css"_s;

} // namespace

QString escape(const QString &text)
{
    QString escaped = text.toHtmlEscaped();
    escaped.replace(u'\'', "&#39;"_L1);
    return escaped;
}

QString render(const QString &title, const QString &bodyHtml, const QString &signedInEmail)
{
    const QString navigation = signedInEmail.isEmpty()
        ? u"<a href=\"/sign-in\">Sign in</a><a href=\"/sign-up\">Create an account</a>"_s
        : u"<span>%1</span><a href=\"/phrasebook\">Phrasebook</a>"
          "<form method=\"post\" action=\"/sign-out\"><button class=\"quiet\" type=\"submit\">Sign out</button></form>"_s
              .arg(escape(signedInEmail));
    return uR"html(<!doctype html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>%1 · Pelora</title>
<style>%2</style>
</head>
<body>
<header><div class="bar"><a class="brand" href="/">Pelora</a><nav>%3</nav></div></header>
<main>
%4
</main>
</body>
</html>
)html"_s.arg(escape(title), styleSheet, navigation, bodyHtml);
}

} // namespace HtmlPage
