#pragma once

#include "updates/version_number.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>

// The update feed: a small JSON object naming the newest release,
//   {"version": "1.4.0", "url": "https://…", "notes": "…"}
// "notes" may be absent. A feed that breaks any rule is ignored as a whole.
struct UpdateFeed {
    QString version;      // as written in the feed, for display
    VersionNumber number; // the same, for comparing
    QUrl url;             // the release's page, opened in the browser
    QString notes;        // plain text, possibly empty

    static std::optional<UpdateFeed> decode(const QByteArray &json);

    // Only https addresses are fetched or opened, except on this computer
    // (http on a loopback host serves development and tests).
    static bool isAllowedAddress(const QUrl &url);
};
