#pragma once

#include <string>
#include <vector>

namespace m8163 {

class TForm1;

// What the window's catalogue lists show: each table's entries from 0 up to
// and including its highest index, and the indexes stored in the profile.
struct CatalogueLists {
    std::vector<std::string> designTypes;
    std::vector<std::string> mountingLengths;
    std::vector<std::string> caseTypes;
    unsigned designType = 0;
    unsigned mountingLength = 0;
    unsigned caseType = 0;
};

// The one-time filling of the window at start-up: caption, lists, emptied
// identity editors. Lists keep no selection, except the catalogue
// lists, which select the stored index when the table has it and else entry 0.
void initialiseWindowContents(TForm1& window, const CatalogueLists& catalogue);

}  // namespace m8163
