// dump IMAGE [-o FILE]: the whole table as text.
#include "CommandTable.h"
#include "Invocation.h"

namespace cli {

int runDump(Invocation& invocation, const Arguments& arguments) {
    expectOperands(arguments.operands, 1, 1);
    const std::string text =
        text::formatTableText(invocation.read(arguments.operands[0], kAcceptsImage).image.table);
    invocation.writeOutput(arguments.output, text, Content::Text);
    return kSuccess;
}

} // namespace cli
