// The running instance's channel on Windows is a named pipe that admits its own user only: every
// entry of the pipe's access list that allows anything names the current user, and there is one.
#include <windows.h>

#include <aclapi.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <QCoreApplication>
#include <QDir>

#include "app/startup/single_instance.h"

namespace {

std::vector<BYTE> CurrentUserSid() {
  HANDLE token = nullptr;
  EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  EXPECT_TRUE(GetTokenInformation(token, TokenUser, buffer.data(), size, &size));
  CloseHandle(token);
  const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
  const DWORD length = GetLengthSid(user->User.Sid);
  const auto* bytes = static_cast<const BYTE*>(user->User.Sid);
  return std::vector<BYTE>(bytes, bytes + length);
}

TEST(InstancePipeSecurityTest, OnlyTheCurrentUserMayOpenTheChannel) {
  static int argc = 1;
  static char name[] = "app_win32_tests";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
  app::SingleInstance instance(QStringLiteral("kbconfig-pipe-test-%1").arg(GetCurrentProcessId()),
                               QDir::tempPath().toStdWString());
  ASSERT_EQ(instance.Acquire(), app::SingleInstance::Role::kFirst);
  const std::wstring pipe = L"\\\\.\\pipe\\" + instance.ServerName().toStdWString();
  HANDLE handle = CreateFileW(pipe.c_str(), READ_CONTROL, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE) << GetLastError();

  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_EQ(GetSecurityInfo(handle, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                            &descriptor),
            static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_NE(dacl, nullptr) << "a pipe without an access list admits everyone";
  std::vector<BYTE> user = CurrentUserSid();
  int allowing = 0;
  for (DWORD index = 0; index < dacl->AceCount; ++index) {
    void* entry = nullptr;
    ASSERT_TRUE(GetAce(dacl, index, &entry));
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    EXPECT_TRUE(EqualSid(&allowed->SidStart, user.data())) << "entry " << index << " admits another account";
    ++allowing;
  }
  EXPECT_GT(allowing, 0);
  LocalFree(descriptor);
  CloseHandle(handle);
}

}  // namespace
