// diff A B: the slots in which two images or texts differ.
#include "CommandTable.h"
#include "Invocation.h"

namespace cli {

int runDiff(Invocation& invocation, const Arguments& arguments) {
    const std::vector<std::string>& operands = arguments.operands;
    expectOperands(operands, 2, 2);
    if (operands[0] == kStandardStream && operands[1] == kStandardStream)
        refuseUsage("only one side can be standard input");
    // One side at a time: a text's bytes are let go before the other side is read.
    const unsigned sides = kAcceptsImage | kAcceptsText;
    const text::Stores a = invocation.storesOf(operands[0], invocation.read(operands[0], sides));
    const text::Stores b = invocation.storesOf(operands[1], invocation.read(operands[1], sides));
    return invocation.putDifferences(a, b) == 0 ? kSuccess : kDifferent;
}

} // namespace cli
