#include "script/kzp_run.h"

#include "base/text_replace.h"
#include "package/package_password_key.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "script/setup_context.h"
#include "script/setup_failure.h"

namespace setup {

namespace {

constexpr uint16_t kProcessingText = 19;  // "Processing <%KZPNAME%>: <%FNUM%> of <%FTOTAL%> files"
constexpr uint16_t kHeaderText = 20;      // "Writing <%KZPNAME%>`s Header"

class RunHost final : public TKzpHost {
 public:
  explicit RunHost(SetupContext& context) : context_(context) {}

  void Processing(const std::string& name, size_t done, size_t total) override {
    std::u16string text = ReplaceAll(context_.Languages.GetString(kProcessingText), u"<%KZPNAME%>",
                                     platform::AnsiToWide(name));
    text = ReplaceAll(text, u"<%FNUM%>", platform::AnsiToWide(std::to_string(done)));
    context_.HandOff.ReportStatus(ReplaceAll(text, u"<%FTOTAL%>", platform::AnsiToWide(std::to_string(total))));
  }

  void WritingHeader(const std::string& name) override {
    context_.HandOff.ReportStatus(
        ReplaceAll(context_.Languages.GetString(kHeaderText), u"<%KZPNAME%>", platform::AnsiToWide(name)));
  }

  void StepProgress(bool update) override { context_.HandOff.StepProgress(update); }

  bool AskRetry(const std::string& message) override {
    return platform::ShowMessage(message, std::string("Error"), platform::MessageButtons::RetryCancel,
                                 platform::MessageIcon::Warning) == platform::kAnswerRetry;
  }

 private:
  SetupContext& context_;
};

}  // namespace

void RunKzpOperation(SetupContext& context, const std::function<KzpOutcome(TPakSystem&, TKzpHost&)>& operation) {
  RunHost host(context);
  const KzpOutcome outcome = operation(context.KzpEngine, host);
  if (outcome.Ok) return;
  if (!outcome.Message.empty()) platform::ShowMessage(outcome.Message, std::string("Error"));
  MarkSetupFailed(context);
}

void UnscrambleParameterOnce(SetupContext& context, int32_t lineIndex, size_t parameter) {
  TCompLine* line = context.CompiledLines.Find(lineIndex);
  if (line == nullptr || line->Unscrambled || line->Params.size() <= parameter) return;
  line->Params[parameter] = DecodeString(PackagePasswordKey, line->Params[parameter]);
  line->Unscrambled = true;
}

}  // namespace setup
