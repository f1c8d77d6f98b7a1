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
inline QString intervalMessage()
{
    return QStringLiteral("A phrase, at your pace.");
}
inline QString intervalInformative()
{
    return QStringLiteral("Minutes between reminders (1–1440). Your next reminder starts a fresh countdown. "
                          "Any pause stays in place.");
}
inline QString intervalRetry()
{
    return QStringLiteral("Enter a whole number from 1 to 1440 minutes.");
}
inline QString intervalFieldName()
{
    return QStringLiteral("Minutes between reminders");
}
inline QString originMessage()
{
    return QStringLiteral("Your Pelora web app");
}
inline QString originInformative()
{
    return QStringLiteral("Sign in to this address to retrieve your saved library. Changing it signs you out of "
                          "the companion. For local development, use http://localhost:3000.");
}
inline QString invalidOriginMessage()
{
    return QStringLiteral("Enter a valid web app address");
}
QString invalidOriginInformative();
inline QString gnomeShortcutMessage()
{
    return QStringLiteral("Add Super+M to your GNOME shortcuts?");
}
inline QString gnomeShortcutInformative()
{
    return QStringLiteral("Pelora will add a custom shortcut, Super+M, that runs “pelora-companion --lookup”. "
                          "Your own shortcuts stay as they are. You can change or remove it in Settings › "
                          "Keyboard › Custom Shortcuts, or by turning “Use Super+M for phrase lookup” off.");
}
inline QString addShortcut()
{
    return QStringLiteral("Add Shortcut");
}
inline QString save()
{
    return QStringLiteral("Save");
}
inline QString cancel()
{
    return QStringLiteral("Cancel");
}
} // namespace DialogTexts
