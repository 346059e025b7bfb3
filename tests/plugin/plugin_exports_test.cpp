// What the host reads from the module before running it, and the plug-in object's life.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "plugin/orvaneplugin.h"
#include "plugin/plugin_exports.h"

namespace {

TEST(PluginExports, MetadataStrings) {
    EXPECT_STREQ(getPluginName(), "orvaneplugin (v0.8)");
    EXPECT_STREQ(getPluginDescription(),
                 "~~~ orvane plugin ~~~.<BR>Plugin to check the position information and alignment of FMR and VMR.");

    const std::string author = getAuthor();
    EXPECT_EQ(author.rfind("<i>orvane team, ", 0), 0u) << author;
    const std::string end = ", 2013</i>";
    ASSERT_GT(author.size(), end.size());
    EXPECT_EQ(author.substr(author.size() - end.size()), end) << author;
    // The organisation sits between the team's name and the year.
    EXPECT_GT(author.size(), std::string("<i>orvane team, ").size() + end.size());

    for (const char* empty : {getHelpFile(), getPluginVersion(), getGUIScript()}) {
        ASSERT_NE(empty, nullptr);
        EXPECT_STREQ(empty, "");
    }
}

TEST(PluginExports, CreatePluginGivesAnObjectTheHostDeletesThroughTheInterface) {
    std::unique_ptr<KeldraPluginInterface> plugin(createPlugin());
    ASSERT_NE(plugin, nullptr);
    EXPECT_NE(dynamic_cast<orvaneplugin*>(plugin.get()), nullptr);
    std::unique_ptr<KeldraPluginInterface> another(createPlugin());
    EXPECT_NE(another.get(), plugin.get());
}

TEST(PluginExports, WithoutAHostTheOperationsRefuseSilently) {
    // This test program is not the host, so binding finds no host module.
    orvaneplugin plugin;
    EXPECT_FALSE(plugin.initPlugin());
    EXPECT_FALSE(plugin.execute());
}

}  // namespace
