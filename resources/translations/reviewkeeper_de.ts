<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Alert</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Do not show this message again</source>
        <translation>Diese Meldung nicht mehr anzeigen</translation>
    </message>
</context>
<context>
    <name>App</name>
    <message>
        <source>%ld %@ / %ld %@</source>
        <translation>%ld %@ / %ld %@</translation>
    </message>
    <message>
        <source>Rating</source>
        <translation>Bewertung</translation>
    </message>
    <message>
        <source>Ratings</source>
        <translation>Bewertungen</translation>
    </message>
    <message>
        <source>Country</source>
        <translation>Land</translation>
    </message>
    <message>
        <source>Countries</source>
        <translation>Länder</translation>
    </message>
</context>
<context>
    <name>AppDelegate</name>
    <message>
        <source>Show</source>
        <translation>Anzeigen</translation>
    </message>
    <message>
        <source>%@ is already running.</source>
        <translation>%@ läuft bereits.</translation>
    </message>
    <message>
        <source>Could not save changes while quitting. Quit anyway?</source>
        <translation>Die Änderungen konnten beim Beenden nicht gesichert werden. Trotzdem beenden?</translation>
    </message>
    <message>
        <source>Quitting now will lose any changes you have made since the last successful save</source>
        <translation>Wenn Sie jetzt beenden, gehen alle Änderungen seit dem letzten erfolgreichen Sichern verloren</translation>
    </message>
    <message>
        <source>Quit anyway</source>
        <translation>Trotzdem beenden</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Updates come with your distribution</source>
        <translation>Aktualisierungen kommen mit Ihrer Distribution</translation>
    </message>
    <message>
        <source>%@ %@ is updated by your system&apos;s package manager. Install the updates it offers to get the newest version.</source>
        <translation>%@ %@ wird von der Paketverwaltung Ihres Systems aktualisiert. Installieren Sie die angebotenen Aktualisierungen, um die neueste Version zu erhalten.</translation>
    </message>
    <message>
        <source>There was an error creating or loading the application&apos;s saved data.</source>
        <translation>Beim Anlegen oder Laden der gespeicherten Daten des Programms ist ein Fehler aufgetreten.</translation>
    </message>
    <message>
        <source>Expected a folder to store application data, found a file (%@).</source>
        <translation>Für die Daten des Programms wurde ein Ordner erwartet, aber eine Datei gefunden (%@).</translation>
    </message>
    <message>
        <source>Failed to initialize the application&apos;s saved data</source>
        <translation>Die gespeicherten Daten des Programms konnten nicht eingerichtet werden</translation>
    </message>
</context>
<context>
    <name>Cli</name>
    <message>
        <source>No new reviews.</source>
        <translation>Keine neuen Rezensionen.</translation>
    </message>
</context>
<context>
    <name>Downloader</name>
    <message>
        <source>n/a</source>
        <translation>k. A.</translation>
    </message>
</context>
<context>
    <name>Error</name>
    <message>
        <source>The operation couldn’t be completed. (%@ error %ld.)</source>
        <translation>Der Vorgang konnte nicht abgeschlossen werden. (%@ Fehler %ld.)</translation>
    </message>
</context>
<context>
    <name>Groups</name>
    <message>
        <source>Applications</source>
        <translation>Programme</translation>
    </message>
    <message>
        <source>iBooks</source>
        <translation>iBooks</translation>
    </message>
    <message>
        <source>Podcasts</source>
        <translation>Podcasts</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Add an app, a book or a podcast to follow what its customers say.</source>
        <translation>Fügen Sie eine App, ein Buch oder einen Podcast hinzu, um zu verfolgen, was die Kunden darüber sagen.</translation>
    </message>
    <message>
        <source>Add a Product…</source>
        <translation>Produkt hinzufügen…</translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
</context>
<context>
    <name>MainOutlineViewController</name>
    <message>
        <source>Products</source>
        <translation>Produkte</translation>
    </message>
    <message>
        <source>Add Product</source>
        <translation>Produkt hinzufügen</translation>
    </message>
    <message>
        <source>Product</source>
        <translation>Produkt</translation>
    </message>
    <message>
        <source>Are you sure you want to delete “%@”?</source>
        <translation>Möchten Sie „%@“ wirklich löschen?</translation>
    </message>
    <message>
        <source>You can’t undo this action.</source>
        <translation>Dieser Vorgang kann nicht widerrufen werden.</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Mark All Reviews as Read</source>
        <translation>Alle Rezensionen als gelesen markieren</translation>
    </message>
    <message>
        <source>Mark All Reviews as Unread</source>
        <translation>Alle Rezensionen als ungelesen markieren</translation>
    </message>
    <message>
        <source>Open in Browser</source>
        <translation>Im Browser öffnen</translation>
    </message>
    <message>
        <source>Update Reviews &amp; Ratings</source>
        <translation>Rezensionen &amp; Bewertungen aktualisieren</translation>
    </message>
    <message>
        <source>Reload Product Details</source>
        <translation>Produktdetails neu laden</translation>
    </message>
    <message>
        <source>Delete “%@”</source>
        <translation>„%@“ löschen</translation>
    </message>
</context>
<context>
    <name>MainWindowController</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Ablage</translation>
    </message>
    <message>
        <source>Update Reviews &amp;&amp; Ratings</source>
        <translation>Rezensionen &amp;&amp; Bewertungen aktualisieren</translation>
    </message>
    <message>
        <source>Update All Reviews &amp;&amp; Ratings</source>
        <translation>Alle Rezensionen &amp;&amp; Bewertungen aktualisieren</translation>
    </message>
    <message>
        <source>Cancel Update</source>
        <translation>Aktualisierung abbrechen</translation>
    </message>
    <message>
        <source>Add Product…</source>
        <translation>Produkt hinzufügen …</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Alles auswählen</translation>
    </message>
    <message>
        <source>Mark All as Read</source>
        <translation>Alle als gelesen markieren</translation>
    </message>
    <message>
        <source>Mark All as Unread</source>
        <translation>Alle als ungelesen markieren</translation>
    </message>
    <message>
        <source>Find…</source>
        <translation>Suchen …</translation>
    </message>
    <message>
        <source>Preferences…</source>
        <translation>Einstellungen …</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Darstellung</translation>
    </message>
    <message>
        <source>Reviews</source>
        <translation>Rezensionen</translation>
    </message>
    <message>
        <source>Ratings</source>
        <translation>Bewertungen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>%@ Website</source>
        <translation>Website von %@</translation>
    </message>
    <message>
        <source>Privacy</source>
        <translation>Datenschutz</translation>
    </message>
    <message>
        <source>Acknowledgments</source>
        <translation>Danksagungen</translation>
    </message>
    <message>
        <source>Feedback &amp;&amp; Support…</source>
        <translation>Rückmeldung &amp;&amp; Hilfe …</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Nach Aktualisierungen suchen …</translation>
    </message>
    <message>
        <source>About %@</source>
        <translation>Über %@</translation>
    </message>
    <message>
        <source>&lt;b&gt;%@&lt;/b&gt; %@&lt;br&gt;Follows what customers say about products in Apple&apos;s online stores.</source>
        <translation>&lt;b&gt;%@&lt;/b&gt; %@&lt;br&gt;Verfolgt, was Kunden über Produkte in Apples Online-Stores sagen.</translation>
    </message>
</context>
<context>
    <name>RQOperation</name>
    <message>
        <source>The server returned a %i error</source>
        <translation>Der Server meldete den Fehler %i</translation>
    </message>
</context>
<context>
    <name>Rating</name>
    <message>
        <source>-:-</source>
        <translation>-:-</translation>
    </message>
    <message>
        <source>1 Rating</source>
        <translation>1 Bewertung</translation>
    </message>
    <message>
        <source>%ld Ratings</source>
        <translation>%ld Bewertungen</translation>
    </message>
    <message>
        <source>%.1f Stars</source>
        <translation>%.1f Sterne</translation>
    </message>
</context>
<context>
    <name>RatingsImporter</name>
    <message>
        <source>Loading Ratings…</source>
        <translation>Bewertungen werden geladen…</translation>
    </message>
    <message>
        <source>Updating Ratings: %@</source>
        <translation>Bewertungen werden aktualisiert: %@</translation>
    </message>
</context>
<context>
    <name>Review</name>
    <message>
        <source>%ld out of %ld customers found this review helpful</source>
        <translation>%ld von %ld Kunden fanden diese Rezension hilfreich</translation>
    </message>
</context>
<context>
    <name>ReviewImporter</name>
    <message>
        <source>You have %ld new %@.</source>
        <translation>Sie haben %ld neue %@.</translation>
    </message>
    <message>
        <source>Loading Reviews…</source>
        <translation>Rezensionen werden geladen…</translation>
    </message>
    <message>
        <source>Updating Reviews: %@ done</source>
        <translation>Rezensionen aktualisiert: %@ fertig</translation>
    </message>
    <message>
        <source>Updating Reviews: %@ (%@)</source>
        <translation>Rezensionen werden aktualisiert: %@ (%@)</translation>
    </message>
    <message>
        <source>The reviews could not be stored.</source>
        <translation>Die Rezensionen konnten nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>The review store is not available.</source>
        <translation>Der Rezensionsspeicher ist nicht verfügbar.</translation>
    </message>
    <message>
        <source>The product is no longer in the store.</source>
        <translation>Das Produkt ist nicht mehr im Speicher.</translation>
    </message>
</context>
<context>
    <name>ReviewTranslation</name>
    <message>
        <source>Translation is not available.</source>
        <translation>Die Übersetzung ist nicht verfügbar.</translation>
    </message>
</context>
<context>
    <name>SidebarItemModel</name>
    <message>
        <source>%@, %@ unread</source>
        <translation>%@, %@ ungelesen</translation>
    </message>
</context>
<context>
    <name>TranslationProvider</name>
    <message>
        <source>No key for %@ is set. Enter it in the preferences.</source>
        <translation>Für %@ ist kein Schlüssel eingetragen. Tragen Sie ihn in den Einstellungen ein.</translation>
    </message>
    <message>
        <source>%@ did not accept the key. Check the key in the preferences.</source>
        <translation>%@ hat den Schlüssel nicht angenommen. Prüfen Sie den Schlüssel in den Einstellungen.</translation>
    </message>
    <message>
        <source>The quota of your %@ account is used up. Try again later, or raise the quota with the service.</source>
        <translation>Das Kontingent Ihres %@-Kontos ist aufgebraucht. Versuchen Sie es später noch einmal oder erhöhen Sie das Kontingent beim Dienst.</translation>
    </message>
    <message>
        <source>%@ does not translate into “%@”.</source>
        <translation>%@ übersetzt nicht in die Sprache „%@“.</translation>
    </message>
    <message>
        <source>%@ cannot be reached. Check the network connection and the service’s address in the preferences.</source>
        <translation>%@ ist nicht erreichbar. Prüfen Sie die Netzwerkverbindung und die Adresse des Dienstes in den Einstellungen.</translation>
    </message>
    <message>
        <source>%@ refused the translation (HTTP status %@).</source>
        <translation>%@ hat die Übersetzung abgelehnt (HTTP-Status %@).</translation>
    </message>
    <message>
        <source>%@ sent an answer that could not be read.</source>
        <translation>%@ hat eine Antwort gesendet, die nicht gelesen werden konnte.</translation>
    </message>
</context>
<context>
    <name>URLError</name>
    <message>
        <source>The server&apos;s answer could not be read.</source>
        <translation>Die Antwort des Servers konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>cancelled</source>
        <translation>abgebrochen</translation>
    </message>
    <message>
        <source>unsupported URL</source>
        <translation>nicht unterstützte URL</translation>
    </message>
    <message>
        <source>The request timed out.</source>
        <translation>Bei der Anfrage ist eine Zeitüberschreitung aufgetreten.</translation>
    </message>
    <message>
        <source>A server with the specified hostname could not be found.</source>
        <translation>Es wurde kein Server mit dem angegebenen Namen gefunden.</translation>
    </message>
    <message>
        <source>Could not connect to the server.</source>
        <translation>Es konnte keine Verbindung zum Server hergestellt werden.</translation>
    </message>
    <message>
        <source>The network connection was lost.</source>
        <translation>Die Netzwerkverbindung wurde unterbrochen.</translation>
    </message>
    <message>
        <source>The host name could not be looked up.</source>
        <translation>Der Servername konnte nicht aufgelöst werden.</translation>
    </message>
    <message>
        <source>too many HTTP redirects</source>
        <translation>zu viele HTTP-Weiterleitungen</translation>
    </message>
    <message>
        <source>The Internet connection appears to be offline.</source>
        <translation>Es scheint keine Internetverbindung zu bestehen.</translation>
    </message>
    <message>
        <source>An SSL error has occurred and a secure connection to the server cannot be made.</source>
        <translation>Ein SSL-Fehler ist aufgetreten; eine sichere Verbindung zum Server ist nicht möglich.</translation>
    </message>
    <message>
        <source>An unknown error occurred.</source>
        <translation>Ein unbekannter Fehler ist aufgetreten.</translation>
    </message>
    <message>
        <source>bad URL</source>
        <translation>ungültige URL</translation>
    </message>
</context>
<context>
    <name>UpdateController</name>
    <message>
        <source>Rate Limit Exceeded</source>
        <translation>Abfragelimit überschritten</translation>
    </message>
    <message>
        <source>Please try again later, as the limit for the feed resets every couple of hours.</source>
        <translation>Bitte versuchen Sie es später noch einmal; das Limit des Feeds wird alle paar Stunden zurückgesetzt.</translation>
    </message>
</context>
<context>
    <name>WindowUpdateHost</name>
    <message>
        <source>( will be done automatically )</source>
        <translation>( geschieht automatisch )</translation>
    </message>
</context>
<context>
    <name>XFSearchField</name>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
</context>
<context>
    <name>HostViewController</name>
    <message>
        <source>Content</source>
        <translation>Inhalt</translation>
    </message>
    <message>
        <source>Update Progress</source>
        <translation>Aktualisierungsfortschritt</translation>
    </message>
    <message>
        <source>Updating</source>
        <translation>Wird aktualisiert</translation>
    </message>
    <message>
        <source>Update Status</source>
        <translation>Aktualisierungsstatus</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Update All Reviews &amp; Ratings</source>
        <translation>Alle Rezensionen &amp; Bewertungen aktualisieren</translation>
    </message>
    <message>
        <source>( will be done automatically )</source>
        <translation>( geschieht automatisch )</translation>
    </message>
</context>
<context>
    <name>RatingsListModel</name>
    <message>
        <source>Country</source>
        <translation>Land</translation>
    </message>
    <message>
        <source>Ratings</source>
        <translation>Bewertungen</translation>
    </message>
    <message>
        <source>Average</source>
        <translation>Durchschnitt</translation>
    </message>
    <message>
        <source>Ratings (Current Version)</source>
        <translation>Bewertungen (aktuelle Version)</translation>
    </message>
    <message>
        <source>Average (Current Version)</source>
        <translation>Durchschnitt (aktuelle Version)</translation>
    </message>
</context>
<context>
    <name>RatingsViewController</name>
    <message>
        <source>Ratings</source>
        <translation>Bewertungen</translation>
    </message>
    <message>
        <source>Ratings by Country</source>
        <translation>Bewertungen nach Land</translation>
    </message>
</context>
<context>
    <name>ReviewController</name>
    <message>
        <source>Reviews</source>
        <translation>Rezensionen</translation>
    </message>
    <message>
        <source>Version filter</source>
        <translation>Versionsfilter</translation>
    </message>
    <message>
        <source>Country filter</source>
        <translation>Länderfilter</translation>
    </message>
    <message>
        <source>Search reviews</source>
        <translation>Rezensionen durchsuchen</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Missing reviews</source>
        <translation>Fehlende Rezensionen</translation>
    </message>
    <message>
        <source>Review list</source>
        <translation>Rezensionsliste</translation>
    </message>
    <message>
        <source>Review actions</source>
        <translation>Rezensionsaktionen</translation>
    </message>
    <message>
        <source>Review text</source>
        <translation>Rezensionstext</translation>
    </message>
    <message>
        <source>Mood</source>
        <translation>Stimmung</translation>
    </message>
    <message>
        <source>Translate</source>
        <translation>Übersetzen</translation>
    </message>
    <message>
        <source>Translate review</source>
        <translation>Rezension übersetzen</translation>
    </message>
    <message>
        <source>All Versions</source>
        <translation>Alle Versionen</translation>
    </message>
    <message>
        <source>All Countries</source>
        <translation>Alle Länder</translation>
    </message>
    <message>
        <source>Mark Unread</source>
        <translation>Als ungelesen markieren</translation>
    </message>
    <message>
        <source>Mark Read</source>
        <translation>Als gelesen markieren</translation>
    </message>
    <message>
        <source>Mark All as Read</source>
        <translation>Alle als gelesen markieren</translation>
    </message>
    <message>
        <source>Mark All as Unread</source>
        <translation>Alle als ungelesen markieren</translation>
    </message>
    <message>
        <source>Open in Browser</source>
        <translation>Im Browser öffnen</translation>
    </message>
    <message>
        <source>Reviews in %1 from %2 to %3 may be missing.</source>
        <translation>Rezensionen aus %1 vom %2 bis %3 fehlen möglicherweise.</translation>
    </message>
</context>
<context>
    <name>ReviewListModel</name>
    <message>
        <source>Unread</source>
        <translation>Ungelesen</translation>
    </message>
    <message>
        <source>Read</source>
        <translation>Gelesen</translation>
    </message>
    <message>
        <source>%1 of 5 stars</source>
        <translation>%1 von 5 Sternen</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Stars</source>
        <translation>Sterne</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Reviewer</source>
        <translation>Verfasser</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Country</source>
        <translation>Land</translation>
    </message>
    <message>
        <source>Votes</source>
        <translation>Stimmen</translation>
    </message>
</context>
<context>
    <name>SearchPopoverViewController</name>
    <message>
        <source>Store Search</source>
        <translation>Suche im Store</translation>
    </message>
    <message>
        <source>Name, id or store address</source>
        <translation>Name, ID oder Store-Adresse</translation>
    </message>
    <message>
        <source>Search the Store</source>
        <translation>Im Store suchen</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Mac Apps</source>
        <translation>Mac-Apps</translation>
    </message>
    <message>
        <source>iPhone &amp; iPad Apps</source>
        <translation>iPhone- &amp; iPad-Apps</translation>
    </message>
    <message>
        <source>Books</source>
        <translation>Bücher</translation>
    </message>
    <message>
        <source>Podcasts</source>
        <translation>Podcasts</translation>
    </message>
    <message>
        <source>Search Results</source>
        <translation>Suchergebnisse</translation>
    </message>
    <message>
        <source>Searching</source>
        <translation>Suche läuft</translation>
    </message>
    <message>
        <source>Search Status</source>
        <translation>Suchstatus</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Add Selected Products</source>
        <translation>Ausgewählte Produkte hinzufügen</translation>
    </message>
    <message>
        <source>Searching…</source>
        <translation>Suche läuft …</translation>
    </message>
    <message>
        <source>No results.</source>
        <translation>Keine Ergebnisse.</translation>
    </message>
</context>
<context>
    <name>SearchResultsModel</name>
    <message>
        <source>Product</source>
        <translation>Produkt</translation>
    </message>
    <message>
        <source>Author</source>
        <translation>Autor</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>Art</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
</context>
</TS>
