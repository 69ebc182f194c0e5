// The fixed choices of the profile forms: genders, countries, provinces and
// blood types, in the order their indices are stored.
#pragma once

#include <QStringList>

namespace zemra::client::ui {

QStringList genderChoices();
QStringList countryChoices();
QStringList provinceChoices();
QStringList bloodTypeChoices();

}  // namespace zemra::client::ui
