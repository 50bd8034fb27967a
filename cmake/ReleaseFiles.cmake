# The files of the release zip, in the zip's order (SHA256SUMS.txt, made
# from them, comes last), and those of them that are text with Windows line
# ends. Read by the zip's maker and by the checks of the zip.
set(release_payload zrPalvessa_64.dll study-host.exe example-session.csv LICENSE.txt README.txt)
set(release_texts example-session.csv LICENSE.txt README.txt)
