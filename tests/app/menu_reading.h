#pragma once

#include "app/companion_delegate.h"

#include <QAction>
#include <QMenu>
#include <QStringList>

// The status menu as the learner reads it: item titles without their key.
inline QString menuTitle(const QAction *action) { return action->text().section(QLatin1Char('\t'), 0, 0); }

inline QStringList menuTitles(CompanionDelegate &delegate)
{
    QMenu menu;
    delegate.menuNeedsUpdate(&menu);
    QStringList titles;
    for (const QAction *action : menu.actions())
        titles << menuTitle(action);
    return titles;
}

inline QAction *menuAction(QMenu &menu, const QString &title)
{
    for (QAction *action : menu.actions()) {
        if (menuTitle(action) == title)
            return action;
    }
    return nullptr;
}
