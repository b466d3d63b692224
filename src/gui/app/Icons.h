// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCursor>
#include <QIcon>
#include <QString>

namespace torvan {

// An icon drawn from an SVG resource at whatever size and pixel density it is
// shown, so that it stays sharp on high-DPI screens.
QIcon SvgIcon(const QString& resourcePath);

// The program's icon (window, About box, desktop).
QIcon AppIcon();

// The toolbar image of a command (Open, Settings, Clear Window, About); a
// null icon for any other command.
QIcon CommandIcon(int command);

// The pointing hand shown over hyperlinks: 32 x 32, hot spot at the
// fingertip in the top-left corner.
QCursor HandCursor();

}  // namespace torvan
