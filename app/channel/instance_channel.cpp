#include "app/channel/instance_channel.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <pugixml.hpp>

#include "model/resources/resource_index.h"
#include "outside/ctl/ctl_command.h"
#include "support/atomic_file.h"

namespace app {

namespace {

constexpr char kCommandPrefix[] = "command\t";

}  // namespace

InstanceAddress AddressOf(const QString& instanceName, const QString& lockFolder) {
  InstanceAddress address;
  address.lockFile = QDir(lockFolder).filePath(instanceName + QStringLiteral(".lock"));
  const QByteArray digest =
      QCryptographicHash::hash(lockFolder.toUtf8(), QCryptographicHash::Sha256).toHex().left(12);
  const QString digestName = instanceName + QLatin1Char('-') + QString::fromLatin1(digest);
  address.serverName = ChannelServerName(instanceName, lockFolder, digestName);
  return address;
}

std::optional<QString> InstanceNameIn(const std::filesystem::path& resourceFolder) {
  std::string error;
  const std::optional<model::ResourceIndex> index = model::LoadResourceIndex(resourceFolder, error);
  if (!index) return std::nullopt;
  const auto strings = index->files.find(model::ResourceKey("values:string"));
  if (strings == index->files.end()) return std::nullopt;
  const std::optional<std::string> bytes = support::ReadWholeFile(strings->second);
  pugi::xml_document document;
  if (!bytes || !document.load_buffer(bytes->data(), bytes->size())) return std::nullopt;
  const pugi::xml_node first = document.child("string").child("item");
  if (!first) return std::nullopt;
  return QString::fromUtf8(first.child_value());
}

std::optional<QByteArray> CommandMessage(const std::vector<std::string>& arguments) {
  const std::optional<std::string> joined = ctl::JoinArguments(arguments);
  if (!joined) return std::nullopt;
  return QByteArray(kCommandPrefix) + QByteArray::fromStdString(*joined) + '\n';
}

std::optional<std::vector<std::string>> ArgumentsOf(const QByteArray& line) {
  if (!line.startsWith(kCommandPrefix) || !line.endsWith('\n')) return std::nullopt;
  const QByteArray joined = line.mid(static_cast<qsizetype>(sizeof kCommandPrefix - 1)).chopped(1);
  return ctl::SplitArguments(std::string_view(joined.constData(), static_cast<std::size_t>(joined.size())));
}

QByteArray ReplyMessage(const CommandReply& reply) {
  QJsonObject object;
  object.insert(QStringLiteral("exit"), reply.exit);
  object.insert(QStringLiteral("out"), QString::fromStdString(reply.out));
  object.insert(QStringLiteral("error"), QString::fromStdString(reply.error));
  return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<CommandReply> ReplyOf(const QByteArray& line) {
  const QJsonDocument document = QJsonDocument::fromJson(line.trimmed());
  if (!document.isObject() || !document.object().value(QStringLiteral("exit")).isDouble()) return std::nullopt;
  const QJsonObject object = document.object();
  return CommandReply{.exit = object.value(QStringLiteral("exit")).toInt(),
                      .out = object.value(QStringLiteral("out")).toString().toStdString(),
                      .error = object.value(QStringLiteral("error")).toString().toStdString()};
}

}  // namespace app
