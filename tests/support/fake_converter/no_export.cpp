// A library named like the outside converter that lacks its export.
extern "C" __attribute__((visibility("default"))) int not_the_converter() {
    return 0;
}
