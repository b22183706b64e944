#include "model/records/record_store.h"

#include <algorithm>
#include <utility>

#include "model/macro/macro_step_xml.h"
#include "model/macro/xml_attributes.h"
#include "model/xml/unreadable_file.h"
#include "model/records/repeat_count.h"
#include "model/xml/xml_file.h"
#include "support/logger.h"

namespace model {
namespace {

KeyRecord ReadRecord(pugi::xml_node element) {
  KeyRecord record;
  record.code = ReadHex(element, "code");
  record.steps = ReadMacroSteps(element, StepCodeText::kHex);
  record.type = ReadSigned(element, "type");
  record.play = static_cast<int>(ReadUnsigned(element, "play"));
  record.repeat = ClampRepeatCount(ReadSigned(element, "repeat"));
  record.name = ReadText(element, "name");
  record.group = ReadText(element, "group");
  record.target = 0;
  return record;
}

void WriteRecord(pugi::xml_document& document, const KeyRecord& record) {
  pugi::xml_node element = document.append_child("record");
  AppendHex(element, "code", record.code);
  AppendSigned(element, "play", record.play);
  AppendSigned(element, "type", record.type);
  AppendSigned(element, "repeat", record.repeat);
  AppendText(element, "name", record.name);
  AppendText(element, "group", record.group);
  AppendMacroSteps(element, record.steps, StepCodeText::kHex);
}

}  // namespace

RecordStore::RecordStore() : records_(std::make_shared<const Records>()) {}

RecordStore& RecordStore::Instance() {
  static RecordStore store;
  return store;
}

bool RecordStore::Load(const std::filesystem::path& path) {
  if (path.empty()) return false;
  const std::scoped_lock lock(writeMutex_);
  filePath_ = path;
  pugi::xml_document document;
  const XmlFileState state = ReadXmlFile(path, document);
  // The next save replaces the file: a version that cannot be read is kept beside it first.
  unreadable_.AfterRead(path, state);
  // A file without records is what ClearRecords writes.
  if (state != XmlFileState::kLoaded && state != XmlFileState::kEmpty) return false;

  Records loaded;
  ForEachChildElement(document, [&](pugi::xml_node element) { loaded.push_back(ReadRecord(element)); });
  Publish(std::move(loaded));
  return true;
}

RecordStore::Pending RecordStore::Read(const std::filesystem::path& path) {
  Pending pending;
  pending.path = path;
  pugi::xml_document document;
  const XmlFileState state = ReadXmlFile(path, document);
  pending.unreadable.AfterRead(path, state);
  if (state == XmlFileState::kLoaded) {
    ForEachChildElement(document, [&](pugi::xml_node element) { pending.records.push_back(ReadRecord(element)); });
  }
  return pending;
}

void RecordStore::Adopt(Pending pending) {
  const std::scoped_lock lock(writeMutex_);
  filePath_ = std::move(pending.path);
  unreadable_ = std::move(pending.unreadable);
  Publish(std::move(pending.records));
}

void RecordStore::Relocate(const std::filesystem::path& path) {
  const std::scoped_lock lock(writeMutex_);
  filePath_ = path;
}

std::string RecordStore::FileBytes() const {
  pugi::xml_document document;
  for (const KeyRecord& record : *Snapshot()) WriteRecord(document, record);
  return SerializeXml(document);
}

support::SaveResult RecordStore::Save() const {
  const std::scoped_lock lock(writeMutex_);
  return SaveLocked(*Snapshot());
}

void RecordStore::ReportSavesTo(support::SaveReporter* reporter) {
  const std::scoped_lock lock(writeMutex_);
  reporter_ = reporter;
}

void RecordStore::UpsertRecord(const KeyRecord& record) {
  const std::scoped_lock lock(writeMutex_);
  Records next = *Snapshot();
  const auto existing = std::find_if(next.begin(), next.end(),
                                     [&](const KeyRecord& candidate) { return candidate.code == record.code; });
  if (existing != next.end()) {
    *existing = record;
    Publish(std::move(next));
    return;
  }
  next.push_back(record);
  Publish(std::move(next));
  SaveLocked(*Snapshot());
}

int RecordStore::RemoveRecord(KeyCode code) {
  const std::scoped_lock lock(writeMutex_);
  Records next = *Snapshot();
  const auto removed = std::remove_if(next.begin(), next.end(),
                                      [code](const KeyRecord& candidate) { return candidate.code == code; });
  if (removed == next.end()) return 0;
  next.erase(removed, next.end());
  Publish(std::move(next));
  return 1;
}

void RecordStore::ClearRecords() {
  const std::scoped_lock lock(writeMutex_);
  Publish(Records{});
  SaveLocked(Records{});
}

std::shared_ptr<const RecordStore::Records> RecordStore::Snapshot() const {
  const std::scoped_lock lock(publishMutex_);
  return records_;
}

UnreadableFileReport RecordStore::UnreadableAtLoad() const {
  const std::scoped_lock lock(writeMutex_);
  return unreadable_.Report();
}

std::filesystem::path RecordStore::FilePath() const {
  const std::scoped_lock lock(writeMutex_);
  return filePath_;
}

void RecordStore::Publish(Records next) {
  auto published = std::make_shared<const Records>(std::move(next));
  const std::scoped_lock lock(publishMutex_);
  records_.swap(published);
  // The previous list is freed after the lock is let go, by whoever holds it last.
}

support::SaveResult RecordStore::SaveLocked(const Records& records) const {
  if (filePath_.empty()) {
    support::LogFailure("RecordStore::Save", "no file path (the store was never loaded)");
    return support::SaveResult::Failed(filePath_, "no file path");
  }
  if (!unreadable_.MaySave()) {
    return support::ReportTo(reporter_, support::SaveResult::Refused(filePath_, unreadable_.Report().reason));
  }
  pugi::xml_document document;
  for (const KeyRecord& record : records) WriteRecord(document, record);
  return support::ReportTo(reporter_, SaveXmlFile(document, filePath_));
}

}  // namespace model
