// Dates of the update configuration: ISO 8601, or the user's locale short format
// (the form the configuration was originally written in).
#pragma once

#include <QLocale>
#include <QString>
#include <optional>

#include "update/civil_time.h"

namespace orvalin::update {

std::optional<CivilSeconds> parse_config_date(const QString& text,
                                              const QLocale& locale = QLocale::system());

}  // namespace orvalin::update
