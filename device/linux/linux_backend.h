// The Linux backend on given sysfs and /dev roots (tests use a fake tree; the
// exports use /sys and /dev through linux_backend()).
#pragma once

#include <filesystem>
#include <memory>

#include "device/backend.h"

namespace vorkel {

std::unique_ptr<Backend> make_linux_backend(std::filesystem::path sysfs_root,
                                            std::filesystem::path dev_root);

}  // namespace vorkel
