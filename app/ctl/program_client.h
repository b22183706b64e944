#pragma once
// kbconfigctl's side of the single-instance channel: hands the running kbconfig a command and
// reads its answer.
#include <string>
#include <vector>

#include <QString>

#include "app/channel/instance_channel.h"

namespace app {

// The answer of the instance listening at `serverName`; exit status 5 (busy) when nothing listens
// there in time or no answer comes.
CommandReply AskRunningProgram(const QString& serverName, const std::vector<std::string>& arguments);

}  // namespace app
