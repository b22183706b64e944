#include "model/config/app_config.h"

namespace model {

AppConfig& AppConfig::Instance() {
  static AppConfig config;
  return config;
}

}  // namespace model
