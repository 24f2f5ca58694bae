#include <gtest/gtest.h>

#include <cstring>

#include "support.h"

namespace {

TEST(PluginObject, Smoke) {
    Support::PluginPtr plugin = Support::CreatePlugin();
    ASSERT_TRUE(plugin);
}

}  // namespace
