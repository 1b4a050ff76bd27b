OPENQASM 3.0;
qubit[6] q;
x q[2];
x q[4];
x q[5];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
