#include "seed.h"

#include "system_tables.h"

namespace testserver {

namespace {

struct SeedDatabase {
  const char* name;
  const char* dataFile;
  const char* logFile;
  const char* script;
  const char* secondDataFile = nullptr;  // a secondary data file, listed before the log
};

constexpr SeedDatabase kSeeds[] = {
    {"pubs", nullptr, nullptr,
     "create table publishers(pub_id char(4) primary key, pub_name varchar(40), city "
     "varchar(20));"
     "create table authors(au_id varchar(11) primary key, au_lname varchar(40), au_fname "
     "varchar(20));"
     "create table titles(title_id varchar(6) primary key, title varchar(80), pub_id char(4) "
     "references publishers(pub_id), price money);"
     "create table titleauthor(au_id varchar(11) references authors(au_id), title_id varchar(6) "
     "references titles(title_id));"
     "insert into publishers values('0736','New Moon Books','Boston'),('0877','Binnet & "
     "Hardley','Washington');"
     "insert into authors values('172-32-1176','White','Johnson'),('213-46-8915','Green','"
     "Marjorie');"
     "insert into titles values('BU1032','The Busy Executive''s Database Guide','0736',19.99),"
     "('PS7777','Emotional Security','0877',7.99);"
     "insert into titleauthor values('172-32-1176','PS7777'),('213-46-8915','BU1032');"},
    {"Northwind", nullptr, nullptr,
     "create table Categories(CategoryID integer primary key, CategoryName text);"
     "create table Customers(CustomerID text primary key, CompanyName text, City text);"
     "create table Products(ProductID integer primary key, ProductName text, CategoryID "
     "integer references Categories(CategoryID));"
     "create table Orders(OrderID integer primary key, CustomerID text references "
     "Customers(CustomerID), OrderDate text);"
     "create table \"Order Details\"(OrderID integer references Orders(OrderID), ProductID "
     "integer references Products(ProductID), Quantity integer);"
     "insert into Categories values(1,'Beverages'),(2,'Condiments');"
     "insert into Customers values('ALFKI','Alfreds Futterkiste','Berlin'),('ANATR','Ana "
     "Trujillo','Mexico D.F.');"
     "insert into Products values(1,'Chai',1),(3,'Aniseed Syrup',2);"
     "insert into Orders values(10643,'ALFKI','1997-08-25'),(10308,'ANATR','1996-09-18');"
     "insert into \"Order Details\" values(10643,1,15),(10308,3,6);"},
    {"Sales", "Sales_Data.MDF", "Sales_Log.LDF",
     "create table Customers(CustomerID integer primary key, Name text);"
     "create table Orders(OrderID integer primary key, CustomerID integer references "
     "Customers(CustomerID), Amount real);"
     "create table SYS_LOG(id integer primary key, message text);"
     "create table SYS_USER(id integer primary key, login text);"
     "create table SYS_CONFIG(name text primary key, value text);"
     "insert into Customers values(1,'Contoso'),(2,'Fabrikam');"
     "insert into Orders values(1,1,120.5),(2,2,99.0);"
     "insert into SYS_LOG values(1,'seeded');"
     "insert into SYS_USER values(1,'admin');"
     "insert into SYS_CONFIG values('version','1');"},
    {"Inventory", "Inventory_Data.MDF", "Inventory_Log.LDF",
     "create table Warehouses(WarehouseID integer primary key, Name text);"
     "create table Items(ItemID integer primary key, WarehouseID integer references "
     "Warehouses(WarehouseID), Name text);"
     "create table SYS_AUDIT(id integer primary key, what text);"
     "create table tmp_import(line text);"
     "insert into Warehouses values(1,'North'),(2,'South');"
     "insert into Items values(1,1,'Bolt'),(2,2,'Nut');"},
    {"Archive", "Archive_Data.MDF", "Archive_Log.LDF",
     "create table Invoices(InvoiceID integer primary key, Year integer, Amount real);"
     "create table SYS_ARCHIVE(id integer primary key, note text);"
     "insert into Invoices values(1,2003,410.0),(2,2004,87.25);"
     "insert into SYS_ARCHIVE values(1,'seeded');",
     "Archive_Data2.NDF"},
};

}  // namespace

void SeedDatabases(ServerState& state, bool withArchive) {
  for (const SeedDatabase& seed : kSeeds) {
    if (seed.secondDataFile && !withArchive) {
      continue;
    }
    auto database = state.catalog.Find(seed.name);
    if (!database && seed.dataFile) {
      std::string dir = Catalog::kDataDirectory;
      std::string base = seed.name;
      std::vector<DatabaseFile> files{{1, base + "_Data", dir + seed.dataFile, false}};
      if (seed.secondDataFile) {
        files.push_back({2, base + "_Data2", dir + seed.secondDataFile, false});
      }
      int logId = static_cast<int>(files.size()) + 1;
      files.push_back({logId, base + "_Log", dir + seed.logFile, true});
      database = state.catalog.Add(seed.name, std::move(files));
      state.catalog.CreateMissingFiles(*database);
    }
    if (!database || !UserTables(state, *database).empty()) {
      continue;
    }
    auto file = state.paths.Map(database->DataFile().physicalName);
    SqliteDb db(*file, true);
    db.Exec(std::string("begin;") + seed.script + "commit;");
  }
}

}  // namespace testserver
