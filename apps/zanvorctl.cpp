#include <CLI/CLI.hpp>

int main(int argc, char** argv) {
    CLI::App cli{"zanvorctl: configure Zanvor keyboards from the command line"};
    cli.require_subcommand(1);
    CLI11_PARSE(cli, argc, argv);
    return 0;
}
