// quendle-stores: the store table of a ROM image as text, for scripts, version
// control and review. dump writes the table as text, load writes a text's stores
// (or a patch's) into an image, diff lists the slots in which two images or texts
// differ, show prints stores as a table, patch writes an IPS or BPS patch of the
// stores. It keeps the editor's safety rules: it never creates or
// extends an image, writes nothing but the listed stores, flushes before it reports
// success, writes nothing at all on any error, and checks every write, standard
// output's too.
#include "Commands.h"
#include "Output.h"

int main(int argc, char** argv) {
    cli::removeTemporaryFilesOnSignals();
    store::PosixFileOps ops;
    return cli::runQuendleStores(ops, std::vector<std::string>(argv + 1, argv + argc));
}
