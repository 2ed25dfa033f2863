Cell length 1 km
Migration
Pop. ALL
y
Pop. 1
1
