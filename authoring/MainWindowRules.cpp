// The enabling rules of the settings and Dialogs pages, and the one routine that
// runs them.
#include "authoring/EnableRules.h"
#include "authoring/MainWindow.h"

namespace {

void ApplyStep(const TRuleStep& step, bool on)
{
    auto box = [&] { return static_cast<const winlib::TCheckBox*>(step.Target); };
    switch (step.Effect) {
    case TRuleEffect::Enable: step.Target->Enable(on); break;
    case TRuleEffect::EnableWhenOff: step.Target->Enable(!on); break;
    case TRuleEffect::Follow: box()->SetChecked(on); break;
    case TRuleEffect::Uncheck: box()->SetChecked(false); break;
    case TRuleEffect::UncheckWhenOff:
        if (!on)
            box()->SetChecked(false);
        break;
    case TRuleEffect::UncheckWhenOn:
        if (on)
            box()->SetChecked(false);
        break;
    case TRuleEffect::ResetWhenOff:
        if (on)
            break;
        if (auto* combo = dynamic_cast<const winlib::TComboBox*>(step.Target))
            combo->SetItemIndex(0);
        else if (auto* edit = dynamic_cast<const winlib::TEdit*>(step.Target))
            edit->SetText("");
        break;
    }
}

std::vector<TEnableRule> MakeRules(TForm1& f)
{
    using E = TRuleEffect;
    return {
        // General and Installation.
        {&f.CheckIcon, {{&f.EIcon, E::Enable}, {&f.EIcon, E::ResetWhenOff}, {&f.Button5, E::Enable}}, false},
        {&f.CheckCloseApp, {{&f.ECloseApp, E::Enable}, {&f.ECloseText, E::Enable}}},
        {&f.CheckDotNET, {{&f.ComboDotNET, E::Enable}, {&f.ComboDotNET, E::ResetWhenOff}}},
        {&f.CheckIE, {{&f.ComboIE, E::Enable}, {&f.ComboIE, E::ResetWhenOff}}},
        {&f.CheckAcrobat, {{&f.ComboAcrobat, E::Enable}, {&f.ComboAcrobat, E::ResetWhenOff}}},
        {&f.CheckJava, {{&f.ComboJava, E::Enable}, {&f.ComboJava, E::ResetWhenOff}}},
        {&f.CheckSQLC, {{&f.ComboSQLC, E::Enable}, {&f.ComboSQLC, E::ResetWhenOff}}},
        {&f.CheckSQLE, {{&f.ComboSQLE, E::Enable}, {&f.ComboSQLE, E::ResetWhenOff}}},
        {&f.CheckPrompt, {{&f.CheckUninstSilent, E::Enable}, {&f.CheckUninstSilent, E::Uncheck}}},
        {&f.CheckVersions, {{&f.EMinVer, E::Enable}, {&f.EMaxVer, E::Enable}}},
        {&f.CheckUninstallURL, {{&f.EUninstallAddress, E::Enable}, {&f.Button43, E::Enable}}},
        {&f.CheckAutoUpdate,
         {{&f.EDay, E::Enable}, {&f.CheckSilentUpdate, E::Enable}, {&f.CheckSilentUpdate, E::Uncheck}}},
        // Dialogs: licence and readme, user information, finish actions. Rules that
        // uncheck and enable list their unchecks first.
        {&f.CheckBox29,
         {{&f.CheckAcceptAgg, E::Enable}, {&f.CheckAcceptAgg, E::Follow}, {&f.ListLicense, E::Enable},
          {&f.BLSpecify, E::Enable}, {&f.BLEdit, E::Enable}, {&f.BLClear, E::Enable}}},
        {&f.CheckBox30,
         {{&f.ListReadme, E::Enable}, {&f.BRSpecify, E::Enable}, {&f.BREdit, E::Enable}, {&f.BRClear, E::Enable}}},
        {&f.CheckBox31,
         {{&f.CheckUserName, E::UncheckWhenOff}, {&f.CheckCompany, E::UncheckWhenOff},
          {&f.CheckQueryCustom, E::UncheckWhenOff}, {&f.CheckUserName, E::Enable}, {&f.CheckCompany, E::Enable},
          {&f.CheckQueryCustom, E::Enable}}},
        {&f.CheckUserName, {{&f.CheckUserNameReq, E::Enable}, {&f.CheckUserNameReq, E::Follow}}},
        // Company's "Required" is never checked for the author.
        {&f.CheckCompany, {{&f.CheckCompanyReq, E::Enable}, {&f.CheckCompanyReq, E::Uncheck}}},
        {&f.CheckQueryCustom,
         {{&f.CheckQueryCustomReq, E::Enable}, {&f.CheckQueryCustomReq, E::Follow}, {&f.EQueryCustomName, E::Enable}}},
        {&f.CheckRestart,
         {{&f.CheckLaunchProgram, E::UncheckWhenOn}, {&f.CheckViewReadme, E::UncheckWhenOn},
          {&f.CheckCustomFinish, E::UncheckWhenOn}, {&f.CheckLaunchProgram, E::EnableWhenOff},
          {&f.CheckViewReadme, E::EnableWhenOff}, {&f.CheckCustomFinish, E::EnableWhenOff}}},
        {&f.CheckLaunchProgram,
         {{&f.ELaunchProgram, E::Enable}, {&f.CheckLaunchProgramDef, E::Enable}, {&f.Button7, E::Enable},
          {&f.CheckLaunchProgramDef, E::Follow}}},
        {&f.CheckViewReadme,
         {{&f.EViewReadme, E::Enable}, {&f.CheckViewReadmeDef, E::Enable}, {&f.Button8, E::Enable},
          {&f.CheckViewReadmeDef, E::Follow}}},
        {&f.CheckCustomFinish,
         {{&f.ECustomFinishName, E::Enable}, {&f.ECustomFinishCommand, E::Enable},
          {&f.CheckCustomFinishDef, E::Enable}, {&f.Button9, E::Enable}, {&f.CheckCustomFinishDef, E::Follow}}},
    };
}

}  // namespace

std::vector<TEnableRule> EnableRules(TForm1& form) { return MakeRules(form); }

void TForm1::ApplyEnableRule(const winlib::TCheckBox& source)
{
    for (const TEnableRule& rule : EnableRules(*this)) {
        if (rule.Source != &source)
            continue;
        bool on = source.Checked();
        for (const TRuleStep& step : rule.Steps)
            ApplyStep(step, on);
        if (rule.MarksModified)
            Action1Execute();
        return;
    }
}

// After every page has its first values: from here on a change runs its rule.
// A box with a handler of its own (which runs the rule) keeps it.
void TForm1::WireEnableRules()
{
    for (const TEnableRule& rule : EnableRules(*this)) {
        auto* source = const_cast<winlib::TCheckBox*>(rule.Source);
        if (!source->OnClick)
            source->OnClick = [this, source] { ApplyEnableRule(*source); };
    }
}
