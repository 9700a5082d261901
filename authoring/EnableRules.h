// The main window's simple enabling rules, as one table: a check box that
// enables, checks, unchecks or resets other controls when it changes. Setting a
// target's check runs that target's own rule, so rules chain.
#pragma once
#include <vector>

#include "winlib/Controls.h"

class TForm1;

// What a source box does to one target; the steps of a rule run in table order.
enum class TRuleEffect {
    Enable,          // enabled = the box
    EnableWhenOff,   // enabled = not the box
    Follow,          // checked = the box (check boxes)
    Uncheck,         // unchecked whatever the box
    UncheckWhenOff,  // unchecked when the box goes off
    UncheckWhenOn,   // unchecked when the box goes on
    ResetWhenOff,    // when the box goes off: a list back on its first item, an edit emptied
};

struct TRuleStep {
    const winlib::TControl* Target;
    TRuleEffect Effect;
};

struct TEnableRule {
    const winlib::TCheckBox* Source;
    std::vector<TRuleStep> Steps;
    bool MarksModified = true;  // false where an edit's own mark carries the change
};

std::vector<TEnableRule> EnableRules(TForm1& form);
