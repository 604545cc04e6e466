#pragma once

// The notebook of the main window as the settings profile sees it: which
// page shows, and a way to show another. The window implements it.

namespace m8163 {

class PageSelector {
  public:
    virtual ~PageSelector() = default;
    virtual int currentPage() const = 0;
    // Shows page `index` (0 ... 3).
    virtual void showPage(int index) = 0;
};

}  // namespace m8163
