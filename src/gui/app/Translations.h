// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>

namespace torvan {

// Installs the program's translation for the languages of locale (built in
// as :/i18n/torvan_<language>.qm) and Qt's own (qtbase_<language>.qm, from
// Qt's translations folder) where there is one, before any window is made.
// Returns whether the program's own was found; without it every text stays
// English. The program passes QLocale::system(), so LANGUAGE, LC_ALL,
// LC_MESSAGES and LANG choose as usual.
bool InstallTranslations(const QLocale& locale);

}  // namespace torvan
