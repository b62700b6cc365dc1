// The played server's messages: numbers, states, severities and texts as its
// generation sends them.
#pragma once

#include <string>
#include <string_view>

#include "product.h"
#include "result.h"

namespace testserver::msg {

ServerMessage LoginFailed(std::string_view user);                  // 18456
ServerMessage NotTrusted();                                        // 18452
ServerMessage CannotOpenLoginDatabase(std::string_view database);  // 4060
ServerMessage ChangedDatabase(std::string_view database);          // 5701
ServerMessage ChangedLanguage();                                   // 5703
ServerMessage IncorrectSyntax(std::string_view near);              // 102
ServerMessage UnclosedQuote(std::string_view text);                // 105
ServerMessage EmptyName();                                         // 1038
ServerMessage InvalidObject(std::string_view name);                // 208
ServerMessage InvalidColumn(std::string_view name);                // 207
ServerMessage NotInGroupBy();                                      // 8118
ServerMessage ProcedureNotFound(std::string_view name);            // 2812
ServerMessage NoSuchDatabase(std::string_view database);           // 911
ServerMessage TerminatingAbnormally(std::string_view what);        // 3013, e.g. "BACKUP DATABASE"
ServerMessage CannotOpenBackupDevice(std::string_view path);       // 3201
ServerMessage MediaIncorrectlyFormed(std::string_view path);       // 3241
ServerMessage BackupSetValid(int fileNumber);                      // 3262
ServerMessage FileClaimedTwice(std::string_view path, std::string_view first, int firstId,
                               std::string_view second, int secondId);  // 3176
ServerMessage ProcessedPages(int pages, std::string_view database, std::string_view logicalFile,
                             int fileNumber);                                           // 4035
ServerMessage SuccessfullyProcessed(std::string_view what, int pages, double seconds);  // 3014
ServerMessage DbccCompleted();                                                          // 2528
ServerMessage DatabaseNotFoundForDbcc(Product product, std::string_view database);      // 2520
ServerMessage UnrecognizedOption(std::string_view option, std::string_view statement);  // 155
ServerMessage NoBackupChecksums();                                                      // 3187
// DBCC CHECKDB's report.
ServerMessage DbccResultsFor(std::string_view name);  // 2536
ServerMessage RowsInPages(Product product, int64_t rows, int64_t pages,
                          std::string_view object);  // 2593
ServerMessage PageNotSeenInScan(Product product, int64_t objectId, std::string_view page,
                                std::string_view parent, std::string_view previous);  // 8976
ServerMessage MissingPreviousReference(Product product, int64_t objectId, std::string_view page,
                                       std::string_view previous);  // 8978
ServerMessage TableErrorsFound(int allocation, int consistency, std::string_view table,
                               int64_t objectId);  // 8990
ServerMessage DatabaseErrorsFound(int allocation, int consistency,
                                  std::string_view database);                               // 8989
ServerMessage MinimumRepairLevel(std::string_view database);                                // 8958
ServerMessage CannotDropMissingDatabase(std::string_view database);                         // 3701
ServerMessage CannotDropMissingTable(std::string_view table);                               // 3701
ServerMessage DatabaseInUse(std::string_view database);                                     // 3702
ServerMessage CannotDropSystemDatabase(std::string_view database);                          // 3708
ServerMessage ReferencedByForeignKey(std::string_view table);                               // 3726
ServerMessage FileUsedByDatabase(std::string_view path, std::string_view database);         // 1834
ServerMessage CannotRestoreFile(std::string_view logical, std::string_view path);           // 3156
ServerMessage DirectoryLookupFailed(std::string_view path);                                 // 5133
ServerMessage BackupOfOtherDatabase(std::string_view database);                             // 3154
ServerMessage NotOnTempdb();                                                                // 3147
ServerMessage ExclusiveAccess();                                                            // 3101
ServerMessage LogicalFileNotInBackup(std::string_view logical, std::string_view database);  // 3234
ServerMessage ExecutePermissionDenied(std::string_view object);                             // 229
ServerMessage OptionsNotSupported(std::string_view options);                                // 3032
ServerMessage ComponentTurnedOff(std::string_view procedure, std::string_view component);   // 15281
ServerMessage PermissionDenied(std::string_view statement, std::string_view database);      // 262
ServerMessage RestorePermissionDenied(std::string_view database);                           // 3110
ServerMessage TablePermissionDenied(std::string_view table);                                // 3704
ServerMessage DbccPermissionDenied(std::string_view login, std::string_view command);       // 2571
ServerMessage MustDeclareVariable(std::string_view name);                                   // 137
ServerMessage PercentProcessed(int percent);                                                // 3211
ServerMessage WriteFailedDiskFull(Product product, std::string_view device);                // 3202
ServerMessage ParameterNotSupplied(std::string_view procedure, std::string_view parameter);  // 201
ServerMessage NotAParameter(std::string_view parameter, std::string_view procedure);         // 8145
ServerMessage TooManyArguments(std::string_view procedure);                                  // 8144
ServerMessage AppLockNotHeld(Product product, std::string_view principal,
                             std::string_view resource);                                // 1223
ServerMessage OptionNotRecognized(std::string_view value, std::string_view parameter);  // 15625
ServerMessage TransactionalAppLockWithoutTransaction();                                 // 15626
ServerMessage Injected(int number);  // a fault switch's error

}  // namespace testserver::msg
