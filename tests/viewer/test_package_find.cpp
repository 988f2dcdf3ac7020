// Finding text in the demo package: what is found where, under which case rules, numbered as
// the tree numbers forms, and that a second search answers from the kept text.

#include "DocTree.h"
#include "PackageFile.h"
#include "PackageFind.h"
#include "PageRender.h"

#include <gtest/gtest.h>

#include <thread>

using namespace pg;

namespace {

struct TFound {
    std::vector<TFindHit> Hits;
    size_t PagesRead = 0;
};

TFound Find(TPackageTextIndex& index, const TDocTree& tree, const std::string& query, bool matchCase) {
    std::unique_ptr<TFindRun> run = index.Prepare(tree.FormsInDisplayOrder(), query, {matchCase});
    run->Run();
    EXPECT_TRUE(run->Finished());
    const size_t before = index.KnownPages();
    index.Keep(*run);
    return {run->Hits(), index.KnownPages() - before};
}

} // namespace

TEST(PackageFind, DemoPackageByCaseWordsAndTreeOrder) {
    const auto set = LoadPackageFile(std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx");
    TDocTree tree;
    tree.Build(*set, [](const std::string&) { return 0; });
    TPackageTextIndex index;

    struct TCase {
        const char* Query;
        bool MatchCase;
        std::vector<std::pair<int, int>> Pages; // form, page of each hit
        size_t Words;                           // boxes of each hit
    };
    const TCase cases[] = {
        {"heights", false, {{2, 2}}, 1},   {"heights", true, {}, 0},
        {"HEIGHTS", true, {{2, 2}}, 1},    {"  larkin\tCOUNTY ", false, {{2, 2}, {2, 2}}, 2},
        {"Larkin County", true, {}, 0},    {"oregon larkin", false, {{2, 3}}, 2},
        {"ghts addi", false, {{2, 2}}, 2}, // a hit inside words marks the words whole
        {"zeppelin", false, {}, 0},        {"   ", false, {}, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Query);
        const std::vector<TFindHit> hits = Find(index, tree, c.Query, c.MatchCase).Hits;
        ASSERT_EQ(hits.size(), c.Pages.size());
        for (size_t i = 0; i < hits.size(); ++i) {
            EXPECT_EQ(std::make_pair(hits[i].Form, hits[i].Page), c.Pages[i]);
            ASSERT_EQ(hits[i].Boxes.size(), c.Words);
            for (size_t w = 1; w < c.Words; ++w) {
                EXPECT_LT(hits[i].Boxes[w - 1].Right, hits[i].Boxes[w].Left);
                EXPECT_NEAR(hits[i].Boxes[w - 1].Top, hits[i].Boxes[w].Top, 2);
            }
        }
    }
    // The whole text is read once: 10 pages by the first search, none after.
    EXPECT_EQ(index.KnownPages(), 10u);

    const std::vector<TFindHit> heights = Find(index, tree, "HEIGHTS", false).Hits;
    ASSERT_EQ(heights.size(), 1u);
    EXPECT_EQ(heights[0].Context, "LOT 14, BLOCK 3, TIDEWATER HEIGHTS ADDITION, ACCORDING TO");
    const TTextBox box = heights[0].Boxes[0];
    EXPECT_GT(box.Right - box.Left, 40);
    EXPECT_GT(box.Bottom - box.Top, 15);
    // A long line is cut around the hit.
    const std::vector<TFindHit> seised = Find(index, tree, "seised", false).Hits;
    ASSERT_EQ(seised.size(), 1u);
    EXPECT_EQ(seised[0].Context, "...that Borrower is lawfully seised of the estate hereby conveyed...");

    // Form numbers follow the tree: the Deed moved to the front is form 1, the Note form 2.
    tree.MoveToFront(*tree.Root()->Children[1]);
    const TFound moved = Find(index, tree, "heights", false);
    ASSERT_EQ(moved.Hits.size(), 1u);
    EXPECT_EQ(std::make_pair(moved.Hits[0].Form, moved.Hits[0].Page), std::make_pair(1, 2));
    EXPECT_EQ(tree.FormsInDisplayOrder()[0]->Description, "Deed of Trust");
    EXPECT_EQ(moved.PagesRead, 0u);

    // A deleted form keeps the others' numbers and is not searched; a cancelled run stops.
    tree.FormsInDisplayOrder()[0]->Deleted = true;
    EXPECT_TRUE(Find(index, tree, "heights", false).Hits.empty());
    EXPECT_EQ(Find(index, tree, "30 year fixed", false).Hits.at(0).Form, 4);
    std::unique_ptr<TFindRun> run = index.Prepare(tree.FormsInDisplayOrder(), "the", {});
    EXPECT_TRUE(run->Step());
    run->Cancel();
    EXPECT_FALSE(run->Step());
    EXPECT_EQ(run->PagesDone(), 1u);
    EXPECT_FALSE(run->Finished());
    index.Clear();
    EXPECT_EQ(index.KnownPages(), 0u);
}

// The find bar searches on a worker thread while the window renders pages: runs on two threads
// with pages rendered meanwhile find what one run alone finds (a build with -fsanitize=thread
// checks the sharing too).
TEST(PackageFind, RunsOnWorkerThreadsWhilePagesRender) {
    const auto set = LoadPackageFile(std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx");
    TDocTree tree;
    tree.Build(*set, [](const std::string&) { return 0; });
    const std::vector<TDocSetForm*> forms = tree.FormsInDisplayOrder();
    TPackageTextIndex index;
    std::unique_ptr<TFindRun> alone = index.Prepare(forms, "tidewater", {});
    alone->Run();
    std::unique_ptr<TFindRun> runs[2] = {index.Prepare(forms, "tidewater", {}),
                                         index.Prepare(forms, "tidewater", {})};
    std::thread workers[2] = {std::thread([&] { runs[0]->Run(); }), std::thread([&] { runs[1]->Run(); })};
    size_t rendered = 0;
    for (TDocSetForm* form : forms)
        for (int p = 1; p <= form->PageCount(); ++p) {
            TInfo info;
            info.Form = form;
            info.PageNumber = p;
            rendered += RenderPage(*JoinPageStreams(info), {}).Empty() ? 0 : 1;
        }
    for (std::thread& worker : workers)
        worker.join();
    EXPECT_EQ(rendered, 10u);
    ASSERT_EQ(alone->Hits().size(), 9u);
    for (const auto& run : runs) {
        ASSERT_EQ(run->Hits().size(), alone->Hits().size());
        for (size_t i = 0; i < run->Hits().size(); ++i) {
            EXPECT_EQ(run->Hits()[i].Context, alone->Hits()[i].Context);
            EXPECT_EQ(run->Hits()[i].Boxes.at(0).Left, alone->Hits()[i].Boxes.at(0).Left);
        }
    }
}
