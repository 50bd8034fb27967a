// The faults a faulty module is built with, one each, and how a module's own
// file (faulty_exports.cpp, built once a module) meets the code every fault
// shares (faulty_module.cpp, built once).
#pragma once

#include <cstdint>

#include "interface/study_interface.h"

namespace faulty {

enum Fault {
  missing_export,          // no study function
  borrowed_export,         // no name export of its own: the loader finds a library's
  wrong_version,           // reports interface version 1234
  wrong_name,              // reports another module name
  enabled_by_default,      // declares "Enabled" switched on
  crash_on_defaults,       // crashes on the defaults call
  stray_write,             // flips a host-private byte on ordinary calls
  leak,                    // leaks a block on every ordinary call
  fractional_quantity,     // writes half a unit less when scaling out
  clamps_to_one,           // writes 1 for a scaled quantity beyond the int32 range
  leak_without_array,      // leaks on ordinary calls in a host without an input array
  leak_on_host_call_flag,  // leaks on calls with the host call flag
  crash_at_load,           // crashes while the module loads
  hang_at_load,            // never finishes loading
  prints_at_load,          // a correct study that prints a debug line when it loads
  forged_result,           // prints a result line at load, exits in every call
  write_past_record,       // writes the byte just past the order quantity
  setting_on_ordinary,     // writes a defaults-only host setting on ordinary calls
  forks,                   // leaves a process running from its first call
  hangs_in_call,           // never returns from a study call
  keeps_owned_minus_one,   // releases owned position texts only when their flag is not -1
  wrong_above_twenty,      // scales out one too many for whole sizes above 20
  fast_math_at_load,       // sets flush-to-zero and denormals-are-zero when it loads
  rounds_upward,           // leaves the rounding mode upward after every ordinary call
  allocates_per_call,      // allocates and frees a vector on every ordinary call
  leaks_at_load,           // copies a text at load and never frees it
  leaks_crt_at_load,       // copies its credit text with the C runtime's heap at load, never freed
  leaks_every_thousand,    // leaks a block on every thousandth ordinary call
  thread_after_load,       // leaves a thread running from its load on
  writes_record_later,     // a thread of its own writes the record after an ordinary call returned
  history_goes_wrong,      // keeps a count of its calls and writes one too many from the 5000th on
  prints_300_mb,           // a correct study that prints 300 MB when it loads
  closes_descriptors,      // closes every descriptor it inherited when it loads, then goes on
  forges_report,           // writes a passing report and a waiting notice on descriptor 3, exits
  thread_at_unload,        // starts a thread of its own as it is unloaded
  throws_from_call,        // lets an exception out of every ordinary call
  asks_other_count,        // asks the allocate service for ten more inputs than the record says
  exports_second_study,    // exports a second study function beside its own
  shares_position,         // passes the reported position through one module-wide variable
  logs_every_call,         // a correct study that writes a line on every ordinary call
  pins_itself,             // keeps itself loaded when the host unloads it
  leaves_crash_handler,    // installs a crash handler of its own at load and never removes it
  names_from_own_image,    // declares its display name as a pointer to its own constant text
  writes_log_file,         // appends a line to a log file in the working folder on every call
  stack_hungry,            // uses 512 KB of stack on every ordinary call
  deep_stack,              // uses 1.5 MB of stack on every ordinary call, beyond a host thread's
  reads_environment,       // reads an environment variable that overrides the flat quantity
  finds_getenv_by_name,    // the same, through the function found by name at run time
  connects_at_load,        // opens a socket to the local machine when it loads
  writes_file_directly,    // writes a file in the working folder by system calls of its own
  changes_calling_thread,  // blocks SIGTERM on (Windows: raises the priority of) the calling thread
  buffers_output_in_image,     // gives standard output a buffer in its own image when it loads
  puts_string_in_environment,  // puts a string of its own image into the environment when it loads
  enters_com,                  // enters COM on the calling thread in every ordinary call (Windows)
  reads_standard_input,        // reads its standard input when it loads: a debugging pause left in
  imports_compiler_runtime,    // imports the compiler's runtime DLLs, which lie beside it (Windows)
  needs_library_beside_it,     // needs a library of its own that lies beside it
  without_aslr_and_dep,        // linked without ASLR, DEP and high-entropy addresses (Windows)
  maps_memory_per_call,        // maps 16 KB in every ordinary call and never unmaps it
  sleeps_in_calls,             // sleeps 2 ms in every ordinary call, 150 ms in every 250th
  writes_earlier_record,       // writes into the previous call's record during the next call
  single_instance,             // keeps a guard after unload: loaded again, it does nothing
  per_thread_callback,         // leaves a callback for the end of every thread that called it
  writes_beside_itself,        // writes a 3 MB log beside itself when it loads, by low-level calls
  stack_grows_with_position,   // uses stack in proportion to the quantity it writes
  leaves_callback_behind,      // natively sets the C++ terminate handler to its own at load;
                               // on Windows queues a call (APC) to the thread of its first call
  leaves_exit_handler,         // registers an exit handler of its own with the process at load
  changes_runtime_state,       // natively makes the C heap fill freed blocks (M_PERTURB) at load
                               // (a sanitizer's heap refusing: seeds the C library's rand);
                               // on Windows switches the file functions to the OEM code page
  stalls_now_and_then,         // sleeps 150 ms in every 10,000th ordinary call
  hands_over_unowned_text,     // declares its display name unowned, freeing it at the next
                               // defaults call and at unload
  maps_memory_now_and_then,    // maps 64 KB of shared memory every 8,192 ordinary calls, kept
  // Legal, if unusual: each of these must pass every check.
  links_system_library,      // a correct study that also links a further system library
  maps_and_releases_memory,  // maps and unmaps memory when it loads and in every defaults call
  frees_per_thread_data,     // keeps data for each thread that calls it, all freed at unload
  gives_back_what_it_takes,  // takes a signal's (Windows: console event's) handler at load,
                             // natively arms a watchdog timer around every call; gives all back
};

// Pieces only some modules hold, because holding them changes what a
// module imports or exports; null in every other module.
struct OwnPieces {
  void (*connect_somewhere)();      // connects_at_load: the network library (Windows)
  void (*enter_com)();              // enters_com: COM (Windows)
  void (*leave_process_running)();  // forks: on Windows, an export for the process it starts
};

// The shared code behind a module's exports.
const char* ModuleName();
std::int32_t ModuleVersion();
void StudyFunction(StudyInterface* record);

}  // namespace faulty

// Given by each module's own file.
extern "C" const faulty::Fault faulty_module_fault;
extern "C" const faulty::OwnPieces faulty_module_pieces;
