#pragma once
// What an SDK session serves: the controllers, the changes clients may make, the profiles. The
// session checks every request against the controllers' descriptions before it reaches here.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "outside/openrgb/controller_description.h"

namespace openrgb {

class SdkDevice {
 public:
  virtual ~SdkDevice() = default;

  // The controllers as they are now (modes with their current values, the active mode).
  virtual std::vector<ControllerDescription> Controllers() = 0;

  // Makes mode `mode` of controller `controller` the active one with the values given (a value
  // the mode does not take is not given). Both indices and the values are within the
  // description's ranges. False when the change could not be made.
  virtual bool ApplyMode(std::size_t controller, std::size_t mode, std::optional<std::uint32_t> speed,
                         std::optional<std::uint32_t> brightness) = 0;

  virtual std::vector<std::string> Profiles() = 0;
  // False when there is no such profile (nothing changes then).
  virtual bool LoadProfile(const std::string& name) = 0;
};

}  // namespace openrgb
