// Dates of the update configuration: ISO 8601, or the user's locale short format
// (the form the configuration was originally written in).
#pragma once

#include <QLocale>
#include <QString>
#include <optional>

#include "update/local_time.h"

namespace orvalin::update {

std::optional<LocalSeconds> parse_config_date(const QString& text,
                                              const QLocale& locale = QLocale::system());

}  // namespace orvalin::update
