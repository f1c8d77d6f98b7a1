#include "web_pages.h"

#include "credentials.h"
#include "html_page.h"
#include "http_router.h"

#include <QRegularExpression>
#include <QUuid>

using namespace Qt::StringLiterals;
using HtmlPage::escape;

namespace {

constexpr qsizetype minPasswordLength = 8;
constexpr qsizetype maxPasswordLength = 1024;
constexpr qsizetype maxEmailLength = 254;

QString field(const QUrlQuery &fields, const QString &name)
{
    return fields.queryItemValue(name, QUrl::FullyDecoded);
}

QString messageBlock(const QString &message)
{
    return message.isEmpty() ? QString() : u"<p class=\"message\" role=\"alert\">%1</p>"_s.arg(escape(message));
}

QString credentialsForm(const QString &id, const QString &action, const QString &email, const QString &button,
                        const QString &passwordAutocomplete)
{
    return uR"html(<form class="stack" id="%1" method="post" action="%2">
<label>Email<input type="email" name="email" value="%3" autocomplete="email" required autofocus></label>
<label>Password<input type="password" name="password" autocomplete="%5" required></label>
<button type="submit">%4</button>
</form>)html"_s.arg(id, action, escape(email), escape(button), passwordAutocomplete);
}

QString signInBody(const QString &email, const QString &message)
{
    return u"<h1>Sign in to Pelora</h1><p class=\"lead\">Your phrasebook, on the web and in the companion.</p>"_s
        + messageBlock(message)
        + credentialsForm(u"sign-in-form"_s, u"/sign-in"_s, email, u"Sign in"_s, u"current-password"_s)
        + u"<p class=\"meta\">New to Pelora? <a href=\"/sign-up\">Create an account</a>.</p>"_s;
}

QString signUpBody(const QString &email, const QString &message)
{
    return u"<h1>Create your Pelora account</h1><p class=\"lead\">Save the phrases you look up and see them "
           "again in the companion.</p>"_s
        + messageBlock(message)
        + credentialsForm(u"sign-up-form"_s, u"/sign-up"_s, email, u"Create account"_s, u"new-password"_s)
        + u"<p class=\"meta\">At least 8 characters. Already have an account? <a href=\"/sign-in\">Sign in</a>.</p>"_s;
}

QString signedInBody(const QString &email)
{
    return uR"html(<h1>You’re signed in</h1>
<p class="lead" id="signed-in-as">Signed in as <strong>%1</strong>.</p>
<p><a href="/phrasebook">Open your phrasebook</a></p>
<form method="post" action="/sign-out"><button type="submit">Sign out</button></form>)html"_s.arg(escape(email));
}

bool looksLikeEmail(const QString &email)
{
    static const QRegularExpression pattern(u"^[^@\\s]+@[^@\\s]+\\.[^@\\s]+$"_s);
    return email.size() <= maxEmailLength && pattern.match(email).hasMatch();
}

// Form posts must come from our own pages. The session cookie is SameSite=Lax
// already; this also turns away a cross-site post from an older browser, and
// one from an opaque origin (a data: page or a sandboxed frame sends "null"),
// which could otherwise sign a learner in to someone else's account.
bool fromOwnPage(const QHttpServerRequest &request)
{
    const QByteArray origin = request.value("Origin");
    if (origin.isEmpty())
        return true;
    const QUrl url(QString::fromLatin1(origin));
    const QString authority = url.port() == -1 ? url.host() : u"%1:%2"_s.arg(url.host()).arg(url.port());
    return authority.compare(QString::fromLatin1(request.value("Host")), Qt::CaseInsensitive) == 0;
}

HttpResponse forbidden()
{
    return HttpResponse::html(
        403, HtmlPage::render(u"Not allowed"_s, u"<h1>Not allowed</h1><p>That form came from another site.</p>"_s));
}

} // namespace

WebPages::WebPages(Database &database, Sessions &sessions, QString companionVersion)
    : m_database(database),
      m_sessions(sessions),
      m_companionVersion(std::move(companionVersion))
{
}

void WebPages::addRoutes(HttpRouter &router)
{
    using Method = HttpRouter::Method;
    router.route(Method::Get, u"/"_s, [this](const auto &r) { return home(r); });
    router.route(Method::Get, u"/sign-in"_s, [this](const auto &r) { return signInForm(r); });
    router.route(Method::Post, u"/sign-in"_s, [this](const auto &r) { return signIn(r); });
    router.route(Method::Get, u"/sign-up"_s, [this](const auto &r) { return signUpForm(r); });
    router.route(Method::Post, u"/sign-up"_s, [this](const auto &r) { return signUp(r); });
    router.route(Method::Get, u"/signed-in"_s, [this](const auto &r) { return signedIn(r); });
    router.route(Method::Post, u"/sign-out"_s, [this](const auto &r) { return signOut(r); });
    router.route(Method::Get, u"/phrasebook"_s, [this](const auto &r) { return phrasebook(r); });
    router.route(Method::Post, u"/phrasebook/delete"_s, [this](const auto &r) { return deletePhrase(r); });
    router.route(Method::Get, u"/companion/download"_s, [this](const auto &r) { return download(r); });
}

HttpResponse WebPages::home(const QHttpServerRequest &request) const
{
    const std::optional<Database::Account> account = m_sessions.account(request);
    const QString body = uR"html(<h1>Selamat datang</h1>
<p class="lead">Pelora keeps the Malay phrases you want to remember, and the companion brings them back to you
through the day.</p>
<ul>
<li><a href="/sign-in">Sign in</a> (or <a href="/sign-up">create an account</a>)</li>
<li><a href="/phrasebook">Your phrasebook</a></li>
</ul>)html"_s;
    return HttpResponse::html(200, HtmlPage::render(u"Home"_s, body, account ? account->email : QString()));
}

HttpResponse WebPages::signInForm(const QHttpServerRequest &request) const
{
    if (const std::optional<Database::Account> account = m_sessions.account(request))
        return HttpResponse::html(200, HtmlPage::render(u"Signed in"_s, signedInBody(account->email), account->email));
    return HttpResponse::html(200, HtmlPage::render(u"Sign in"_s, signInBody({}, {})));
}

HttpResponse WebPages::signIn(const QHttpServerRequest &request)
{
    if (!fromOwnPage(request))
        return forbidden();
    const QUrlQuery fields = HttpRequest::formFields(request);
    const QString email = field(fields, u"email"_s).trimmed();
    const QString password = field(fields, u"password"_s);

    const std::optional<Database::Account> account =
        email.size() <= maxEmailLength ? m_database.accountByEmail(email) : std::nullopt;
    // An unknown email costs the same hashing as a known one, so timing does not tell which emails exist.
    static const Credentials::PasswordHash unknownAccount = Credentials::hashPassword(u"-"_s);
    const bool matches = password.size() <= maxPasswordLength
        && Credentials::verifyPassword(password, account ? account->password : unknownAccount) && account;
    if (!matches)
        return HttpResponse::html(
            401,
            HtmlPage::render(u"Sign in"_s, signInBody(email, u"That email and password don’t match an account."_s)));

    const QByteArray cookie = m_sessions.start(request, account->id);
    if (cookie.isEmpty())
        return HttpResponse::html(
            500, HtmlPage::render(u"Sign in"_s, signInBody(email, u"Signing in failed. Try again."_s)));
    return HttpResponse::seeOther("/signed-in").withHeader("Set-Cookie", cookie);
}

HttpResponse WebPages::signUpForm(const QHttpServerRequest &request) const
{
    if (const std::optional<Database::Account> account = m_sessions.account(request))
        return HttpResponse::html(200, HtmlPage::render(u"Signed in"_s, signedInBody(account->email), account->email));
    return HttpResponse::html(200, HtmlPage::render(u"Create an account"_s, signUpBody({}, {})));
}

HttpResponse WebPages::signUp(const QHttpServerRequest &request)
{
    if (!fromOwnPage(request))
        return forbidden();
    const QUrlQuery fields = HttpRequest::formFields(request);
    const QString email = field(fields, u"email"_s).trimmed();
    const QString password = field(fields, u"password"_s);
    const auto refuse = [&email](const QString &message) {
        return HttpResponse::html(400, HtmlPage::render(u"Create an account"_s, signUpBody(email, message)));
    };

    if (!looksLikeEmail(email))
        return refuse(u"Enter an email address like name@example.com."_s);
    if (password.size() < minPasswordLength || password.size() > maxPasswordLength)
        return refuse(u"Choose a password of at least 8 characters."_s);
    if (m_database.accountByEmail(email))
        return refuse(u"There is already an account for that email. Sign in instead."_s);

    const Database::Account account{u"user_"_s + QUuid::createUuid().toString(QUuid::Id128), email,
                                    Credentials::hashPassword(password)};
    if (!m_database.createAccount(account))
        return refuse(u"The account couldn’t be created. Try again."_s);
    const QByteArray cookie = m_sessions.start(request, account.id);
    return HttpResponse::seeOther(cookie.isEmpty() ? "/sign-in" : "/signed-in").withHeader("Set-Cookie", cookie);
}

HttpResponse WebPages::signedIn(const QHttpServerRequest &request) const
{
    const std::optional<Database::Account> account = m_sessions.account(request);
    if (!account)
        return HttpResponse::seeOther("/sign-in");
    return HttpResponse::html(200, HtmlPage::render(u"Signed in"_s, signedInBody(account->email), account->email));
}

HttpResponse WebPages::signOut(const QHttpServerRequest &request)
{
    if (!fromOwnPage(request))
        return forbidden();
    return HttpResponse::seeOther("/sign-in").withHeader("Set-Cookie", m_sessions.end(request));
}

HttpResponse WebPages::phrasebook(const QHttpServerRequest &request) const
{
    const std::optional<Database::Account> account = m_sessions.account(request);
    if (!account)
        return HttpResponse::seeOther("/sign-in");

    const QList<Database::SavedPhrase> saved =
        m_database.phrases(account->id, std::nullopt, std::numeric_limits<int>::max());
    QString list;
    for (const Database::SavedPhrase &entry : saved) {
        const Phrase &phrase = entry.phrase;
        list += uR"html(<li><div><div class="malay" lang="ms">%1</div><div class="english">%2</div>
<div class="meta"><span class="category">%3</span>%4</div></div>
<form method="post" action="/phrasebook/delete"><input type="hidden" name="id" value="%5">
<button class="quiet" type="submit" aria-label="Delete %1">Delete</button></form></li>
)html"_s.arg(escape(phrase.malay), escape(phrase.english), escape(phrase.category), escape(phrase.context),
             escape(phrase.id));
    }
    const QString count = saved.size() == 1 ? u"1 saved phrase"_s : u"%1 saved phrases"_s.arg(saved.size());
    const QString body = saved.isEmpty()
        ? u"<h1>Your phrasebook</h1><p class=\"lead\">No saved phrases yet. Look one up in the companion "
          "(Super+M) and save it.</p>"_s
        : u"<h1>Your phrasebook</h1><p class=\"lead\">%1, newest first.</p><ol class=\"phrases\">%2</ol>"_s.arg(count,
                                                                                                                list);
    return HttpResponse::html(200, HtmlPage::render(u"Phrasebook"_s, body, account->email));
}

HttpResponse WebPages::deletePhrase(const QHttpServerRequest &request)
{
    if (!fromOwnPage(request))
        return forbidden();
    const std::optional<Database::Account> account = m_sessions.account(request);
    if (!account)
        return HttpResponse::seeOther("/sign-in");
    m_database.deletePhrase(account->id, field(HttpRequest::formFields(request), u"id"_s));
    return HttpResponse::seeOther("/phrasebook");
}

HttpResponse WebPages::download(const QHttpServerRequest &request) const
{
    const std::optional<Database::Account> account = m_sessions.account(request);
    const QString body = u"<h1>Pelora Companion %1</h1><p class=\"lead\">The desktop companion for your "
                         "phrasebook. Build it from source with <code>cmake</code>; this stand-in web app "
                         "offers no downloads.</p>"_s.arg(escape(m_companionVersion));
    return HttpResponse::html(200, HtmlPage::render(u"Companion"_s, body, account ? account->email : QString()));
}
