// The CellPos evaluator as the program uses it: its errors shown, the run's abort flag set.
#include "run/expression_messages.h"

#include "run/expression.h"
#include "run/run_state.h"
#include "ui/ids.h"
#include "ui/message_dialog.h"

std::string EvaluateExpression(const std::string& text, bool cellMode, double base)
{
    ExpressionResult result = evaluateExpressionText(text, cellMode, base);
    if (result.error != ExpressionError::None) {
        ExpressionErrorText told = expressionErrorText(result.error);
        messageBox(WinProgram, told.title, told.text, IconWarning, ButtonsOk);
        runState.abortRequested = true;
    }
    return result.text;
}
