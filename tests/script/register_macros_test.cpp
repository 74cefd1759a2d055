#include "script/register_macros.h"

#include <gtest/gtest.h>

namespace setup {
namespace {

// Catches: a macro bound to the wrong field or missing, values copied at registration
// instead of read when shown (the space texts change when the user picks a folder).
TEST(RegisterMacros, CaptionsShowTheLiveValues) {
  TSetupInfoFile info;
  info.SetupName = "Game Setup";
  info.ShortName = "Game";
  info.Changelog = "1.1: fixes";
  TPathVariables vars;
  vars.SetRequiredSpace(5000000);

  TLanguageStrings strings;
  RegisterMacros(strings, info, vars);
  EXPECT_EQ(strings.Count(), 5u);
  const std::u16string caption = u"<%SETUPTITLE%>|<%setupshorttitle%>|<%CHANGELOG%>|<%SPACEREQ%>|<%SPACEAVA%>";
  EXPECT_EQ(strings.ApplyMacros(caption), u"Game Setup|Game|1.1: fixes|4.77 MB|");

  info.SetupName = "Other Setup";
  vars.SetRequiredSpace(1024);
  vars.SetFreeSpace(int64_t{5} << 30);
  EXPECT_EQ(strings.ApplyMacros(caption), u"Other Setup|Game|1.1: fixes|1.00 KB|5.00 GB");
}

}  // namespace
}  // namespace setup
