#include "platform/linux/hid_usage_tables.h"

#include <linux/input-event-codes.h>

#include <array>
#include <map>

namespace platform::linux_backend {

namespace {

constexpr std::uint8_t kUnmapped = 0;

// drivers/hid/hid-input.c: hid_keyboard[] (keyboard page usage -> key code; 0 = no key).
constexpr std::array<std::uint8_t, 256> kHidKeyboard = {
    0,   0,   0,   0,   30,  48,  46,  32,  18,  33,  34,  35,  23,  36,  37,  38,   // 0x00
    50,  49,  24,  25,  16,  19,  31,  20,  22,  47,  17,  45,  21,  44,  2,   3,    // 0x10
    4,   5,   6,   7,   8,   9,   10,  11,  28,  1,   14,  15,  57,  12,  13,  26,   // 0x20
    27,  43,  43,  39,  40,  41,  51,  52,  53,  58,  59,  60,  61,  62,  63,  64,   // 0x30
    65,  66,  67,  68,  87,  88,  99,  70,  119, 110, 102, 104, 111, 107, 109, 106,  // 0x40
    105, 108, 103, 69,  98,  55,  74,  78,  96,  79,  80,  81,  75,  76,  77,  71,   // 0x50
    72,  73,  82,  83,  86,  127, 116, 117, 183, 184, 185, 186, 187, 188, 189, 190,  // 0x60
    191, 192, 193, 194, 134, 138, 130, 132, 128, 129, 131, 137, 133, 135, 136, 113,  // 0x70
    115, 114, 0,   0,   0,   121, 0,   89,  93,  124, 92,  94,  95,  0,   0,   0,    // 0x80
    122, 123, 90,  91,  85,  0,   0,   0,   0,   0,   0,   0,   111, 0,   0,   0,    // 0x90
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,    // 0xA0
    0,   0,   0,   0,   0,   0,   179, 180, 0,   0,   0,   0,   0,   0,   0,   0,    // 0xB0
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,    // 0xC0
    0,   0,   0,   0,   0,   0,   0,   0,   111, 0,   0,   0,   0,   0,   0,   0,    // 0xD0
    29,  42,  56,  125, 97,  54,  100, 126, 164, 166, 165, 163, 161, 115, 114, 113,  // 0xE0
    150, 158, 159, 128, 136, 177, 178, 176, 142, 152, 173, 140, 0,   0,   0,   0,    // 0xF0
};

constexpr std::uint16_t kFirstReservedKeyboardUsage = 0xE8;

struct UsageKey {
  std::uint16_t usage;
  std::uint16_t code;
};

// Consumer page usages the kernel's HID input layer maps to keys.
constexpr UsageKey kConsumerKeys[] = {
    {0x030, KEY_POWER},          {0x031, KEY_RESTART},        {0x032, KEY_SLEEP},
    {0x034, KEY_SLEEP},          {0x035, KEY_KBDILLUMTOGGLE}, {0x040, KEY_MENU},
    {0x041, KEY_SELECT},         {0x042, KEY_UP},             {0x043, KEY_DOWN},
    {0x044, KEY_LEFT},           {0x045, KEY_RIGHT},          {0x046, KEY_ESC},
    {0x047, KEY_KPPLUS},         {0x048, KEY_KPMINUS},        {0x060, KEY_INFO},
    {0x061, KEY_SUBTITLE},       {0x063, KEY_VCR},            {0x065, KEY_CAMERA},
    {0x069, KEY_RED},            {0x06a, KEY_GREEN},          {0x06b, KEY_BLUE},
    {0x06c, KEY_YELLOW},         {0x06f, KEY_BRIGHTNESSUP},   {0x070, KEY_BRIGHTNESSDOWN},
    {0x083, KEY_LAST},           {0x084, KEY_ENTER},          {0x088, KEY_PC},
    {0x089, KEY_TV},             {0x08a, KEY_WWW},            {0x08b, KEY_DVD},
    {0x08c, KEY_PHONE},          {0x08d, KEY_PROGRAM},        {0x08e, KEY_VIDEOPHONE},
    {0x08f, KEY_GAMES},          {0x090, KEY_MEMO},           {0x091, KEY_CD},
    {0x092, KEY_VCR},            {0x093, KEY_TUNER},          {0x094, KEY_EXIT},
    {0x095, KEY_HELP},           {0x096, KEY_TAPE},           {0x097, KEY_TV2},
    {0x098, KEY_SAT},            {0x09a, KEY_PVR},            {0x09c, KEY_CHANNELUP},
    {0x09d, KEY_CHANNELDOWN},    {0x0a0, KEY_VCR2},           {0x0b0, KEY_PLAY},
    {0x0b1, KEY_PAUSE},          {0x0b2, KEY_RECORD},         {0x0b3, KEY_FASTFORWARD},
    {0x0b4, KEY_REWIND},         {0x0b5, KEY_NEXTSONG},       {0x0b6, KEY_PREVIOUSSONG},
    {0x0b7, KEY_STOPCD},         {0x0b8, KEY_EJECTCD},        {0x0b9, KEY_SHUFFLE},
    {0x0bf, KEY_SLOW},           {0x0cd, KEY_PLAYPAUSE},      {0x0e2, KEY_MUTE},
    {0x0e5, KEY_BASSBOOST},      {0x0e9, KEY_VOLUMEUP},       {0x0ea, KEY_VOLUMEDOWN},
    {0x0f5, KEY_SLOW},           {0x182, KEY_BOOKMARKS},      {0x183, KEY_CONFIG},
    {0x184, KEY_WORDPROCESSOR},  {0x185, KEY_EDITOR},         {0x186, KEY_SPREADSHEET},
    {0x187, KEY_GRAPHICSEDITOR}, {0x188, KEY_PRESENTATION},   {0x189, KEY_DATABASE},
    {0x18a, KEY_MAIL},           {0x18b, KEY_NEWS},           {0x18c, KEY_VOICEMAIL},
    {0x18d, KEY_ADDRESSBOOK},    {0x18e, KEY_CALENDAR},       {0x190, KEY_JOURNAL},
    {0x191, KEY_FINANCE},        {0x192, KEY_CALC},           {0x193, KEY_PLAYER},
    {0x194, KEY_FILE},           {0x196, KEY_WWW},            {0x199, KEY_CHAT},
    {0x19c, KEY_LOGOFF},         {0x19e, KEY_COFFEE},         {0x1a3, KEY_NEXT},
    {0x1a4, KEY_PREVIOUS},       {0x1a6, KEY_HELP},           {0x1a7, KEY_DOCUMENTS},
    {0x1ab, KEY_SPELLCHECK},     {0x1ae, KEY_KEYBOARD},       {0x1b4, KEY_FILE},
    {0x1b6, KEY_IMAGES},         {0x1b7, KEY_AUDIO},          {0x1b8, KEY_VIDEO},
    {0x1bc, KEY_MESSENGER},      {0x1bd, KEY_INFO},           {0x201, KEY_NEW},
    {0x202, KEY_OPEN},           {0x203, KEY_CLOSE},          {0x204, KEY_EXIT},
    {0x207, KEY_SAVE},           {0x208, KEY_PRINT},          {0x209, KEY_PROPS},
    {0x21a, KEY_UNDO},           {0x21b, KEY_COPY},           {0x21c, KEY_CUT},
    {0x21d, KEY_PASTE},          {0x21f, KEY_FIND},           {0x221, KEY_SEARCH},
    {0x222, KEY_GOTO},           {0x223, KEY_HOMEPAGE},       {0x224, KEY_BACK},
    {0x225, KEY_FORWARD},        {0x226, KEY_STOP},           {0x227, KEY_REFRESH},
    {0x22a, KEY_BOOKMARKS},      {0x22d, KEY_ZOOMIN},         {0x22e, KEY_ZOOMOUT},
    {0x22f, KEY_ZOOMRESET},      {0x233, KEY_SCROLLUP},       {0x234, KEY_SCROLLDOWN},
    {0x23d, KEY_EDIT},           {0x25f, KEY_CANCEL},         {0x269, KEY_INSERT},
    {0x26a, KEY_DELETE},         {0x279, KEY_REDO},           {0x289, KEY_REPLY},
    {0x28b, KEY_FORWARDMAIL},    {0x28c, KEY_SEND},
};

// Generic desktop system-control usages mapped to keys.
constexpr UsageKey kSystemKeys[] = {
    {0x81, KEY_POWER},
    {0x82, KEY_SLEEP},
    {0x83, KEY_WAKEUP},
};

template <std::size_t N>
std::optional<std::uint16_t> Find(const UsageKey (&table)[N], std::uint16_t usage) {
  for (const UsageKey& entry : table) {
    if (entry.usage == usage) return entry.code;
  }
  return std::nullopt;
}

// Builds the reverse table by the documented priority: later groups never replace earlier ones.
std::map<std::uint16_t, HidUsage> BuildReverse() {
  std::map<std::uint16_t, HidUsage> reverse;
  for (std::uint16_t usage = 0; usage < kFirstReservedKeyboardUsage; ++usage) {
    if (kHidKeyboard[usage] != kUnmapped) reverse.emplace(kHidKeyboard[usage], HidUsage{kKeyboardPage, usage});
  }
  // The consumer and system tables are listed by ascending usage, so emplace keeps the lowest.
  for (const UsageKey& entry : kConsumerKeys) reverse.emplace(entry.code, HidUsage{kConsumerPage, entry.usage});
  for (const UsageKey& entry : kSystemKeys) reverse.emplace(entry.code, HidUsage{kGenericDesktopPage, entry.usage});
  for (std::uint16_t usage = kFirstReservedKeyboardUsage; usage < kHidKeyboard.size(); ++usage) {
    if (kHidKeyboard[usage] != kUnmapped) reverse.emplace(kHidKeyboard[usage], HidUsage{kKeyboardPage, usage});
  }
  return reverse;
}

}  // namespace

std::optional<std::uint16_t> HidUsageToEvdev(HidUsage usage) {
  switch (usage.page) {
    case kKeyboardPage:
      if (usage.usage < kHidKeyboard.size() && kHidKeyboard[usage.usage] != kUnmapped) return kHidKeyboard[usage.usage];
      return std::nullopt;
    case kConsumerPage:
      return Find(kConsumerKeys, usage.usage);
    case kGenericDesktopPage:
      return Find(kSystemKeys, usage.usage);
    default:
      return std::nullopt;
  }
}

std::optional<HidUsage> EvdevToHidUsage(std::uint16_t code) {
  static const std::map<std::uint16_t, HidUsage> reverse = BuildReverse();
  const auto found = reverse.find(code);
  if (found == reverse.end()) return std::nullopt;
  return found->second;
}

std::vector<std::pair<HidUsage, std::uint16_t>> AllHidKeyMappings() {
  std::vector<std::pair<HidUsage, std::uint16_t>> all;
  for (std::uint16_t usage = 0; usage < kHidKeyboard.size(); ++usage) {
    if (kHidKeyboard[usage] != kUnmapped) all.push_back({{kKeyboardPage, usage}, kHidKeyboard[usage]});
  }
  for (const UsageKey& entry : kConsumerKeys) all.push_back({{kConsumerPage, entry.usage}, entry.code});
  for (const UsageKey& entry : kSystemKeys) all.push_back({{kGenericDesktopPage, entry.usage}, entry.code});
  return all;
}

}  // namespace platform::linux_backend
