#include <gtest/gtest.h>

#include <stdexcept>

#include "link/comm_list.h"
#include "link/tcpip_list.h"

namespace quillon {

TEST(ProgramRegistries, UsableOnlyWhileInstalled) {
  EXPECT_THROW(CommList(), std::logic_error);
  EXPECT_THROW(TCPIPList(), std::logic_error);
  TCommList serial("/nonexistent/");
  TTCPIPList tcp;
  InstallCommList(&serial);
  InstallTCPIPList(&tcp);
  EXPECT_EQ(&CommList(), &serial);
  EXPECT_EQ(&TCPIPList(), &tcp);
  InstallCommList(nullptr);
  InstallTCPIPList(nullptr);
  EXPECT_THROW(CommList(), std::logic_error);
}

}  // namespace quillon
