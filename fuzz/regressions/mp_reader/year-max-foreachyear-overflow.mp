h,3,Pop. ALL


Pop.1
f2
ÿ0