#pragma once

#include <QString>
#include <optional>

// The controller's two modal dialogs and the address alert. The program runs
// real dialogs; flow tests give scripted answers.
class CompanionDialogs {
public:
    virtual ~CompanionDialogs() = default;

    // The custom-interval dialog, run once with the field holding `text`:
    // what the field holds when the learner chose "Save", nothing on "Cancel".
    virtual std::optional<QString> askInterval(const QString &text, const QString &informativeText);

    // The web app address dialog: the field's text on "Save", nothing on "Cancel".
    virtual std::optional<QString> askOrigin(const QString &text);

    // The alert shown when the typed address is not a valid origin.
    virtual void alertInvalidOrigin(const QString &informativeText);

    // Asks before adding the lookup shortcut to GNOME's own shortcuts: true
    // when the learner agreed.
    virtual bool confirmGnomeShortcut();
};

// Texts of the dialogs.
namespace DialogTexts {
using namespace Qt::StringLiterals;

inline QString intervalMessage()
{
    return u"A phrase, at your pace."_s;
}
inline QString intervalInformative()
{
    return u"Minutes between reminders (1–1440). Your next reminder starts a fresh countdown. "
           u"Any pause stays in place."_s;
}
inline QString intervalRetry()
{
    return u"Enter a whole number from 1 to 1440 minutes."_s;
}
inline QString intervalFieldName()
{
    return u"Minutes between reminders"_s;
}
inline QString originMessage()
{
    return u"Your Pelora web app"_s;
}
inline QString originInformative()
{
    return u"Sign in to this address to retrieve your saved library. Changing it signs you out of "
           u"the companion. For local development, use http://localhost:3000."_s;
}
inline QString invalidOriginMessage()
{
    return u"Enter a valid web app address"_s;
}
QString invalidOriginInformative();
inline QString gnomeShortcutMessage()
{
    return u"Add Super+M to your GNOME shortcuts?"_s;
}
inline QString gnomeShortcutInformative()
{
    return u"Pelora will add a custom shortcut, Super+M, that runs “pelora-companion --lookup”. "
           u"Your own shortcuts stay as they are. You can change or remove it in Settings › "
           u"Keyboard › Custom Shortcuts, or by turning “Use Super+M for phrase lookup” off."_s;
}
inline QString addShortcut()
{
    return u"Add Shortcut"_s;
}
inline QString save()
{
    return u"Save"_s;
}
inline QString cancel()
{
    return u"Cancel"_s;
}
} // namespace DialogTexts
