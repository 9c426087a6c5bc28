// The CellPos evaluator as the program uses it: its errors shown, the run's abort flag set.
#include "run/expression_messages.h"

#include "run/expression.h"
#include "run/run_state.h"
#include "ui/ids.h"
#include "ui/message_dialog.h"

std::string EvaluateExpression(const std::string& text, bool cellMode, double base)
{
    ExpressionResult result = evaluateExpressionText(text, cellMode, base);
    if (result.error == ExpressionError::DivisionByZero)
        messageBox(WinProgram, "Quirlo-Parser:", "Division durch 0!\n'Run'-Zustand wird beendet!", IconWarning,
                   ButtonsOk);
    else if (result.error == ExpressionError::UnknownOperator)
        messageBox(WinProgram, "QuirloParser:", "Unbekannter Operator!", IconWarning, ButtonsOk);
    if (result.error != ExpressionError::None)
        runState.abortRequested = true;
    return result.text;
}
