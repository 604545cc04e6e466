#include "search/search_command.h"

#include "base/message_boxes.h"
#include "base/standard_boxes.h"

namespace m8163 {
namespace {

// Between the loop and the page: hits go into the table, the stop check
// reads the running flag, trials are counted for the progress figure.
class CommandView final : public SearchView {
  public:
    CommandView(const SearchData& data, SearchPageView& page) : data_(data), page_(page) {}

    void planned(std::size_t trials) override {
        planned_ = trials;
        page_.showTrialsDone(done_, planned_);
    }
    void showTrial(int speed, Parity parity, unsigned address) override {
        page_.showTrial(speed, parity, address);
    }
    // The figure counts trials made, so that every end shows them all.
    void trialDone() override { page_.showTrialsDone(++done_, planned_); }
    void found(const SearchHit& hit) override {
        data_.found.add(hit);
        page_.showSearch();
    }
    // A close asked for during the trial ends the run here (by an exception).
    bool stopRequested() override {
        page_.trialEnded();
        return !data_.running;
    }

  private:
    const SearchData& data_;
    SearchPageView& page_;
    std::size_t planned_ = 0;
    std::size_t done_ = 0;
};

// Whatever way the command leaves (a close ends it in a message pass), no
// search stays marked running and the page is usable again.
class RunScope {
  public:
    RunScope(const SearchData& data, SearchPageView& page) : data_(data), page_(page) {
        page_.lockSearch(true);
    }
    ~RunScope() {
        switchSearch(data_.running, false);
        page_.lockSearch(false);
        page_.clearProgress();
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

  private:
    const SearchData& data_;
    SearchPageView& page_;
};

}  // namespace

SearchEnd runSearchCommand(const SearchData& data, const SearchLine& line, const SearchProbe& probe,
                           EventPump& pump, SearchPageView& view) {
    if (!data.running)
        return SearchEnd::Normal;
    SearchPlan plan = searchPlanFrom(data.settings);
    completeSearchPlan(plan);
    SearchEnd end = SearchEnd::Normal;
    {
        RunScope scope(data, view);
        data.found.clear();
        view.showSearch();

        CommandView progress(data, view);
        end = runSearch(plan, line, probe, pump, progress);
        switchSearch(data.running, false);
        line.boxes.show(
            {searchEndText(end), caption::kSearchEnd, BoxIcon::Information, BoxButtons::Ok, {}});
    }
    return end;
}

}  // namespace m8163
