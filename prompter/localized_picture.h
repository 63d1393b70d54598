// Pictures that carry words come in each interface language: the English ones
// under ":/en/...", beside the Chinese ones under ":/...".
#pragma once

#include <QString>

namespace orvalin::ui {

// The resource to show for resource (":/window/Image4"): its English twin when the
// interface is English and the twin exists, else resource itself.
QString localized_picture(const QString& resource);

// The folder holding the English copies of the picture libraries (bn1800.dll,
// voredirav44.dll) for program_dir (with a trailing separator): translations/en/.
QString localized_library_dir(const QString& program_dir);

}  // namespace orvalin::ui
