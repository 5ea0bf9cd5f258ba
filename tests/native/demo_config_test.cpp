// The demonstration ms.ini that tools/run starts the program with is an
// ordinary configuration: it deciphers to the list it claims to hold.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "model/config_cipher.h"
#include "model/config_file.h"

namespace rdc {
namespace {

TEST(DemoConfig, DeciphersToThreeServersWithChineseRemarks) {
  std::ifstream in(RDC_SOURCE_DIR "/tools/demo/ms.ini", std::ios::binary);
  ASSERT_TRUE(in) << "tools/demo/ms.ini is missing";
  const std::string file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

  ServerList list;
  ConfigOptions options;
  const std::string plain = ConfigCipher(file);
  ParseConfig(plain, list, options);

  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].host, "127.0.0.1");
  EXPECT_EQ(list[0].remark, "\xB1\xBE\xBB\xFA\xB2\xE2\xCA\xD4");  // 本机测试
  EXPECT_EQ(list[1].account, "\xD4\xCB\xCE\xAC");                 // 运维
  EXPECT_EQ(list[2].port, "13389");
  EXPECT_FALSE(options.forceAdmin);
  EXPECT_FALSE(options.fullScreen);
  // Written back unchanged, it is the same file.
  EXPECT_EQ(ConfigCipher(ComposeConfigText(list, options, StartupPasswordOf(plain))), file);
}

}  // namespace
}  // namespace rdc
