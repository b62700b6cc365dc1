#include "messages.h"

#include "../text.h"

namespace testserver::msg {

namespace {
ServerMessage Make(int32_t number, uint8_t state, uint8_t severity, std::string text) {
  return ServerMessage{number, state, severity, std::move(text)};
}
std::string S(std::string_view v) {
  return std::string(v);
}
}  // namespace

ServerMessage LoginFailed(std::string_view user) {
  return Make(18456, 1, 14, Format("Login failed for user '%s'.", S(user).c_str()));
}
ServerMessage NotTrusted() {
  return Make(18452, 1, 14,
              "Login failed for user '(null)'. Reason: Not associated with a trusted SQL Server "
              "connection.");
}
ServerMessage CannotOpenLoginDatabase(std::string_view database) {
  return Make(
      4060, 1, 11,
      Format("Cannot open database requested in login '%s'. Login fails.", S(database).c_str()));
}
ServerMessage ChangedDatabase(std::string_view database) {
  return Make(5701, 2, 0, Format("Changed database context to '%s'.", S(database).c_str()));
}
ServerMessage ChangedLanguage() {
  return Make(5703, 1, 0, "Changed language setting to us_english.");
}
ServerMessage IncorrectSyntax(std::string_view near) {
  return Make(102, 1, 15, Format("Incorrect syntax near '%s'.", S(near).c_str()));
}
ServerMessage UnclosedQuote(std::string_view text) {
  return Make(105, 1, 15,
              Format("Unclosed quotation mark before the character string '%s'.", S(text).c_str()));
}
ServerMessage EmptyName() {
  return Make(1038, 1, 15,
              "Cannot use empty object or column names. Use a single space if necessary.");
}
ServerMessage InvalidObject(std::string_view name) {
  return Make(208, 1, 16, Format("Invalid object name '%s'.", S(name).c_str()));
}
ServerMessage InvalidColumn(std::string_view name) {
  return Make(207, 3, 16, Format("Invalid column name '%s'.", S(name).c_str()));
}
ServerMessage NotInGroupBy() {
  return Make(8118, 1, 16,
              "Column is invalid in the select list because it is not contained in an aggregate "
              "function and there is no GROUP BY clause.");
}
ServerMessage ProcedureNotFound(std::string_view name) {
  return Make(2812, 62, 16, Format("Could not find stored procedure '%s'.", S(name).c_str()));
}
ServerMessage NoSuchDatabase(std::string_view database) {
  return Make(911, 1, 16,
              Format("Could not locate entry in sysdatabases for database '%s'. No entry found "
                     "with that name. Make sure that the name is entered correctly.",
                     S(database).c_str()));
}
ServerMessage TerminatingAbnormally(std::string_view what) {
  return Make(3013, 1, 16, Format("%s is terminating abnormally.", S(what).c_str()));
}
ServerMessage CannotOpenBackupDevice(std::string_view path) {
  return Make(3201, 1, 16,
              Format("Cannot open backup device '%s'. Device error or device off line. See the "
                     "SQL Server error log for more details.",
                     S(path).c_str()));
}
ServerMessage MediaIncorrectlyFormed(std::string_view path) {
  return Make(3241, 1, 16,
              Format("The media family on device '%s' is incorrectly formed. SQL Server cannot "
                     "process this media family.",
                     S(path).c_str()));
}
ServerMessage BackupSetValid(int fileNumber) {
  return Make(3262, 1, 10, Format("The backup set on file %d is valid.", fileNumber));
}
ServerMessage FileClaimedTwice(std::string_view path, std::string_view first, int firstId,
                               std::string_view second, int secondId) {
  return Make(3176, 1, 16,
              Format("File '%s' is claimed by '%s'(%d) and '%s'(%d). The WITH MOVE clause can be "
                     "used to relocate one or more files.",
                     S(path).c_str(), S(first).c_str(), firstId, S(second).c_str(), secondId));
}
ServerMessage ProcessedPages(int pages, std::string_view database, std::string_view logicalFile,
                             int fileNumber) {
  return Make(4035, 1, 0,
              Format("Processed %d pages for database '%s', file '%s' on file %d.", pages,
                     S(database).c_str(), S(logicalFile).c_str(), fileNumber));
}
ServerMessage SuccessfullyProcessed(std::string_view what, int pages, double seconds) {
  double megabytes = pages * 8192.0 / (1024.0 * 1024.0);
  double rate = seconds > 0 ? megabytes / seconds : megabytes / 0.001;
  return Make(3014, 1, 0,
              Format("%s successfully processed %d pages in %.3f seconds (%.3f MB/sec).",
                     S(what).c_str(), pages, seconds, rate));
}
ServerMessage DbccCompleted() {
  return Make(2528, 1, 10,
              "DBCC execution completed. If DBCC printed error messages, contact your system "
              "administrator.");
}
ServerMessage DatabaseNotFoundForDbcc(Product product, std::string_view database) {
  if (product == Product::k2000) {
    return Make(2520, 1, 16,
                Format("Could not find database '%s'. Check sysdatabases.", S(database).c_str()));
  }
  return Make(2520, 1, 16,
              Format("Could not find database '%s'. The database either does not exist, or was "
                     "dropped before a statement tried to use it. Verify if the database exists "
                     "by querying the sys.databases catalog view.",
                     S(database).c_str()));
}
ServerMessage UnrecognizedOption(std::string_view option, std::string_view statement) {
  return Make(
      155, 1, 15,
      Format("'%s' is not a recognized %s option.", S(option).c_str(), S(statement).c_str()));
}
ServerMessage NoBackupChecksums() {
  return Make(3187, 1, 16,
              "RESTORE WITH CHECKSUM cannot be specified because the backup set does not contain "
              "checksum information.");
}
ServerMessage DbccResultsFor(std::string_view name) {
  return Make(2536, 1, 10, Format("DBCC results for '%s'.", S(name).c_str()));
}
ServerMessage RowsInPages(Product product, int64_t rows, int64_t pages, std::string_view object) {
  // Later releases quote the object in double quotes.
  const char* quote = product == Product::k2000 ? "'" : "\"";
  return Make(
      2593, 1, 10,
      Format("There are %lld rows in %lld pages for object %s%s%s.", static_cast<long long>(rows),
             static_cast<long long>(pages), quote, S(object).c_str(), quote));
}

namespace {
// How a table error names the index: later releases add its partition and allocation
// unit (those of a table's clustered index, index ID 1).
std::string TableErrorSubject(Product product, int64_t objectId) {
  if (product == Product::k2000) {
    return Format("Table error: Object ID %lld, index ID 1.", static_cast<long long>(objectId));
  }
  return Format(
      "Table error: Object ID %lld, index ID 1, partition ID 72057594038779904, alloc unit ID "
      "72057594043957248 (type In-row data).",
      static_cast<long long>(objectId));
}
}  // namespace

ServerMessage PageNotSeenInScan(Product product, int64_t objectId, std::string_view page,
                                std::string_view parent, std::string_view previous) {
  return Make(8976, 1, 16,
              Format("%s Page %s was not seen in the scan although its parent %s and previous %s "
                     "refer to it. Check any previous errors.",
                     TableErrorSubject(product, objectId).c_str(), S(page).c_str(),
                     S(parent).c_str(), S(previous).c_str()));
}
ServerMessage MissingPreviousReference(Product product, int64_t objectId, std::string_view page,
                                       std::string_view previous) {
  return Make(
      8978, 1, 16,
      Format("%s Page %s is missing a reference from previous page %s. Possible chain "
             "linkage problem.",
             TableErrorSubject(product, objectId).c_str(), S(page).c_str(), S(previous).c_str()));
}
ServerMessage TableErrorsFound(int allocation, int consistency, std::string_view table,
                               int64_t objectId) {
  return Make(8990, 1, 10,
              Format("CHECKDB found %d allocation errors and %d consistency errors in table '%s' "
                     "(object ID %lld).",
                     allocation, consistency, S(table).c_str(), static_cast<long long>(objectId)));
}
ServerMessage DatabaseErrorsFound(int allocation, int consistency, std::string_view database) {
  return Make(8989, 1, 10,
              Format("CHECKDB found %d allocation errors and %d consistency errors in database "
                     "'%s'.",
                     allocation, consistency, S(database).c_str()));
}
ServerMessage MinimumRepairLevel(std::string_view database) {
  return Make(8958, 1, 10,
              Format("repair_allow_data_loss is the minimum repair level for the errors found by "
                     "DBCC CHECKDB (%s).",
                     S(database).c_str()));
}
ServerMessage CannotDropMissingDatabase(std::string_view database) {
  return Make(3701, 1, 11,
              Format("Cannot drop the database '%s', because it does not exist in the system "
                     "catalog.",
                     S(database).c_str()));
}
ServerMessage CannotDropMissingTable(std::string_view table) {
  return Make(3701, 5, 11,
              Format("Cannot drop the table '%s', because it does not exist in the system catalog.",
                     S(table).c_str()));
}
ServerMessage DatabaseInUse(std::string_view database) {
  return Make(
      3702, 3, 16,
      Format("Cannot drop the database '%s' because it is currently in use.", S(database).c_str()));
}
ServerMessage CannotDropSystemDatabase(std::string_view database) {
  return Make(3708, 1, 16,
              Format("Cannot drop the database '%s' because it is a system database.",
                     S(database).c_str()));
}
ServerMessage ReferencedByForeignKey(std::string_view table) {
  return Make(3726, 1, 16,
              Format("Could not drop object '%s' because it is referenced by a FOREIGN KEY "
                     "constraint.",
                     S(table).c_str()));
}
ServerMessage FileUsedByDatabase(std::string_view path, std::string_view database) {
  return Make(1834, 1, 16,
              Format("The file '%s' cannot be overwritten.  It is being used by database '%s'.",
                     S(path).c_str(), S(database).c_str()));
}
ServerMessage CannotRestoreFile(std::string_view logical, std::string_view path) {
  return Make(3156, 1, 16,
              Format("File '%s' cannot be restored to '%s'. Use WITH MOVE to identify a valid "
                     "location for the file.",
                     S(logical).c_str(), S(path).c_str()));
}
ServerMessage DirectoryLookupFailed(std::string_view path) {
  return Make(5133, 1, 16,
              Format("Directory lookup for the file \"%s\" failed with the operating system error "
                     "3(The system cannot find the path specified.).",
                     S(path).c_str()));
}
ServerMessage BackupOfOtherDatabase(std::string_view database) {
  return Make(3154, 1, 16,
              Format("The backup set holds a backup of a database other than the existing '%s' "
                     "database.",
                     S(database).c_str()));
}
ServerMessage NotOnTempdb() {
  return Make(3147, 1, 16, "Backup and restore operations are not allowed on database tempdb.");
}
ServerMessage ExclusiveAccess() {
  return Make(3101, 1, 16,
              "Exclusive access could not be obtained because the database is in use.");
}
ServerMessage LogicalFileNotInBackup(std::string_view logical, std::string_view database) {
  return Make(3234, 2, 16,
              Format("Logical file '%s' is not part of database '%s'. Use RESTORE FILELISTONLY to "
                     "list the logical file names.",
                     S(logical).c_str(), S(database).c_str()));
}
ServerMessage ExecutePermissionDenied(std::string_view object) {
  return Make(229, 5, 14,
              Format("EXECUTE permission denied on object '%s', database 'master', owner 'dbo'.",
                     S(object).c_str()));
}
ServerMessage OptionsNotSupported(std::string_view options) {
  return Make(3032, 2, 16,
              Format("One or more of the options (%s) are not supported for this statement. "
                     "Review the documentation for supported options.",
                     S(options).c_str()));
}
ServerMessage ComponentTurnedOff(std::string_view procedure, std::string_view component) {
  const std::string p(procedure), c(component);
  return Make(15281, 1, 16,
              Format("SQL Server blocked access to procedure '%s' of component '%s' because this "
                     "component is turned off as part of the security configuration for this "
                     "server. A system administrator can enable the use of '%s' by using "
                     "sp_configure. For more information about enabling '%s', see \"Surface Area "
                     "Configuration\" in SQL Server Books Online.",
                     p.c_str(), c.c_str(), c.c_str(), c.c_str()));
}
ServerMessage PermissionDenied(std::string_view statement, std::string_view database) {
  return Make(
      262, 1, 14,
      Format("%s permission denied in database '%s'.", S(statement).c_str(), S(database).c_str()));
}
ServerMessage RestorePermissionDenied(std::string_view database) {
  return Make(
      3110, 1, 14,
      Format("User does not have permission to RESTORE database '%s'.", S(database).c_str()));
}
ServerMessage TablePermissionDenied(std::string_view table) {
  return Make(3704, 1, 16,
              Format("User does not have permission to perform this operation on table '%s'.",
                     S(table).c_str()));
}
ServerMessage DbccPermissionDenied(std::string_view login, std::string_view command) {
  return Make(2571, 3, 14,
              Format("User '%s' does not have permission to run DBCC %s.", S(login).c_str(),
                     S(command).c_str()));
}
ServerMessage MustDeclareVariable(std::string_view name) {
  return Make(137, 2, 15, Format("Must declare the variable '%s'.", S(name).c_str()));
}
ServerMessage PercentProcessed(int percent) {
  return Make(3211, 1, 10, Format("%d percent processed.", percent));
}
ServerMessage WriteFailedDiskFull(Product product, std::string_view device) {
  // Later releases quote the device in double quotes.
  const char* quote = product == Product::k2000 ? "'" : "\"";
  return Make(3202, 1, 16,
              Format("Write on %s%s%s failed: 112(There is not enough space on the disk.)", quote,
                     S(device).c_str(), quote));
}
ServerMessage ParameterNotSupplied(std::string_view procedure, std::string_view parameter) {
  return Make(201, 4, 16,
              Format("Procedure '%s' expects parameter '%s', which was not supplied.",
                     S(procedure).c_str(), S(parameter).c_str()));
}
ServerMessage NotAParameter(std::string_view parameter, std::string_view procedure) {
  return Make(8145, 2, 16,
              Format("%s is not a parameter for procedure %s.", S(parameter).c_str(),
                     S(procedure).c_str()));
}
ServerMessage TooManyArguments(std::string_view procedure) {
  return Make(
      8144, 2, 16,
      Format("Procedure or function %s has too many arguments specified.", S(procedure).c_str()));
}
ServerMessage AppLockNotHeld(Product product, std::string_view principal,
                             std::string_view resource) {
  return Make(1223, 1, 16,
              Format("Cannot release the application lock (%s: '%s', Resource: '%s') because it "
                     "is not currently held.",
                     product == Product::k2000 ? "Principal" : "Database Principal",
                     S(principal).c_str(), S(resource).c_str()));
}
ServerMessage OptionNotRecognized(std::string_view value, std::string_view parameter) {
  return Make(15625, 1, 10,
              Format("Option '%s' not recognized for '%s' parameter.", S(value).c_str(),
                     S(parameter).c_str()));
}
ServerMessage TransactionalAppLockWithoutTransaction() {
  return Make(15626, 1, 10,
              "You attempted to acquire a transactional application lock without an active "
              "transaction.");
}
ServerMessage Injected(int number) {
  return Make(number, 1, 16, Format("testserver: injected failure %d.", number));
}

}  // namespace testserver::msg
